// The test bed's self-test program: a window, a notice, a clipboard text, registry writes, an exit code.
