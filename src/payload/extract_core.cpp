// Portable walk of the payload archive and the block-wise inflation of one entry.
