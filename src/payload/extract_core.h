// Portable walk of the payload archive: entry by entry into a destination folder, through hooks.
