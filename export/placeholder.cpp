// Removed once the export sources are listed.
