// The test bed proved against its own small program: windows, notices, clipboard, registry, files, pixels.
