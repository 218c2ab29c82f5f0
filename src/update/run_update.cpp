// The update procedure: folder, extraction, INI and registry directives, deletions, end dialog.
