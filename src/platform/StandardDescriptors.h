#pragma once

namespace morvanex::platform {

// Opens /dev/null on each of standard input, output and error that the process was started
// without. A closed descriptor's number is the first one the process hands out next, so the
// first file or event descriptor it opens for its own use would otherwise be read as its
// standard input or receive its output. Call first thing in main, before anything opens a
// descriptor. With standard input closed, the process thus reads an empty input.
void openMissingStandardDescriptors();

} // namespace morvanex::platform
