// The main window record and centring of top-level windows on the screen.
