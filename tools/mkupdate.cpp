// mkupdate: the makers tool that packs, lists, verifies and extracts updaters.
