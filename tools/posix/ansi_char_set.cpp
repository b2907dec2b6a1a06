// Without the system's code page, Windows-1252 stands for the ANSI page.
#include "tools/value_decoder.h"

AnsiCharSet& PlatformAnsiCharSet() {
    return Windows1252CharSet();
}
