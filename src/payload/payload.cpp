// The updater side of the payload: its own file, the copy progress window and the failure exit.
