# Tests of the installation lookup, the version gate and the destination folder choice.
