// The start-up menu window MAINDIALOG: picture, menu slots and their actions.
