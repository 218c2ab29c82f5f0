// The end dialog of an update (ENDINSTALL / ENDINSTALL_SHORT) and the readme choice it leaves.
