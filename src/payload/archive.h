// Payload archive format: the one definition of entry headers, name rules and progress units.
