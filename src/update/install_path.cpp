// Canonical local form of a manually chosen install folder: pure steps over a 260-byte buffer.
