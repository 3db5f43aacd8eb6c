// Replaced by the application core.
