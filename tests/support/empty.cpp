// Keeps the support library non-empty when no fixture is shared yet.
