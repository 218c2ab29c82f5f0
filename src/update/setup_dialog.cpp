// The manual choice of the install folder: proposal, SETUP dialog, folder browser and checks.
