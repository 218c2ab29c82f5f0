// Splitting and text substitution of the [ini] and [reg] directive lines.
