// The installed view host and the free functions that forward to it.
#include "view/view_host.h"

namespace {
ViewHost* g_p_installed_host = nullptr;
}

ViewHost* CurrentViewHost() {
    return g_p_installed_host ? g_p_installed_host : PlatformViewHost();
}

ViewHost* SetViewHost(ViewHost* host) {
    ViewHost* previous = g_p_installed_host;
    g_p_installed_host = host;
    return previous;
}

void SetStatusText(int part, const wchar_t* text) {
    CurrentViewHost()->SetStatusText(part, text);
}
