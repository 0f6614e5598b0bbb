// Replaced by the export sources.
