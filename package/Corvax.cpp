// The package unit: what a host or design tool reads about the runtime package.
