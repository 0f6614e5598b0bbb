// Removed once the writer sources are listed.
