// ViewStateFixture: a test that sets the process's ViewState and current
// document for its own lifetime. The fake canvas makes and frees its own
// fonts, so the platform font the ViewState made is set aside and put back
// before the ViewState is released.
#pragma once

#include "data/document.h"
#include "view/view_state.h"

#include <gtest/gtest.h>

#include <memory>

class ViewStateFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        m_state = std::make_unique<ViewState>(nullptr);
        g_p_view_state = m_state.get();
        m_p_platform_font = m_state->m_h_font;
        m_state->m_h_font = nullptr;
    }
    void TearDown() override {
        g_p_current_document = nullptr;
        m_doc.reset();
        g_p_view_state = nullptr;
        m_state->m_h_font = m_p_platform_font;
        m_state.reset();
    }
    // A fresh empty document made current.
    CallBackInfo* NewDocument() {
        g_p_current_document = nullptr;
        m_doc = std::make_unique<CallBackInfo>(nullptr);
        g_p_current_document = m_doc.get();
        return m_doc.get();
    }

    std::unique_ptr<ViewState> m_state;
    std::unique_ptr<CallBackInfo> m_doc;
    void* m_p_platform_font = nullptr;
};
