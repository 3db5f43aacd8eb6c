// Replaced by the screens.
