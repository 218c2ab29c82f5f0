# Tests of the update procedure: directive lines, registry and INI writes, end dialog.
