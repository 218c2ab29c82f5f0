// Common services: notices with their clipboard copy, file access, message pumping, launching, memory.
