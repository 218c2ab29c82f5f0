// Writing payload archives: headers, zlib streams, end marker and trailer.
