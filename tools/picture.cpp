// mkupdate picture: converts PNG or BMP pictures to TC00 RCT files, and RCT files of any kind to PNG.
