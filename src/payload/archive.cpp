// Payload entry header reader, name rules and name matching.
