// Lifetime of one run: the start folder and the temporary work folder.
