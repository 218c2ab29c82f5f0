// The one directory search and the wildcard deletion built on it.
