// End-to-end driver: payload building, process and window control, clipboard, registry, files.
