// Replaced by the writer sources.
