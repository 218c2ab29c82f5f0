// Entry point of Updata.exe: start-up order, the single-instance guard and the run of the menu.
