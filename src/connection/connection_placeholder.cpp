// Replaced by the connection engine.
