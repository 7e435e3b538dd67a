// Matching of the command forms; see command_reader.cpp.
