// The program's version, one definition for the version resource and the About box.
#pragma once

#define PELMORA_VERSION_MAJOR 1
#define PELMORA_VERSION_MINOR 2
#define PELMORA_VERSION_PATCH 0
#define PELMORA_VERSION_BUILD 24
#define PELMORA_VERSION_TEXT "1.2.0.24"
#define PELMORA_VERSION_WTEXT L"1.2.0.24"
