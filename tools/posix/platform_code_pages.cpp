// Without the system's converter the portable one serves.
#include "tools/code_page.h"

CodePageConverter& PlatformCodePages() {
    return PortableCodePages();
}
