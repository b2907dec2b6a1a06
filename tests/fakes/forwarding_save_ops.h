// ForwardingSaveOps: passes every file operation of a save to another
// SaveFileOps, so a test's fake overrides only the steps it counts or fails.
#pragma once

#include "data/save_file.h"

#include <string>

class ForwardingSaveOps : public SaveFileOps {
  public:
    explicit ForwardingSaveOps(SaveFileOps& inner) : m_inner(inner) {}

    int IdentifyPath(const wchar_t* path, FileIdentity* id) override {
        return m_inner.IdentifyPath(path, id);
    }
    int IdentifyFile(void* file, FileIdentity* id) override {
        return m_inner.IdentifyFile(file, id);
    }
    void* CreateTemp(const wchar_t* target, std::wstring* temp_path) override {
        return m_inner.CreateTemp(target, temp_path);
    }
    void* CreateMapping(void* file, int64_t size) override {
        return m_inner.CreateMapping(file, size);
    }
    uint8_t* MapView(void* mapping, int64_t offset, size_t length) override {
        return m_inner.MapView(mapping, offset, length);
    }
    int FlushView(uint8_t* view, size_t length) override { return m_inner.FlushView(view, length); }
    int UnmapView(uint8_t* view, size_t length) override { return m_inner.UnmapView(view, length); }
    int FlushFile(void* file) override { return m_inner.FlushFile(file); }
    void CloseMapping(void* mapping) override { m_inner.CloseMapping(mapping); }
    int CloseFile(void* file) override { return m_inner.CloseFile(file); }
    int ReplaceTarget(const wchar_t* temp_path, const wchar_t* target) override {
        return m_inner.ReplaceTarget(temp_path, target);
    }
    int DeletePath(const wchar_t* path) override { return m_inner.DeletePath(path); }

  protected:
    SaveFileOps& Inner() { return m_inner; }

  private:
    SaveFileOps& m_inner;
};
