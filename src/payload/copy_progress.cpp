// The copy progress window COPYINGDELUX shown during a full extraction.
