// ViewStateFixture: a test with a ViewState and a document of its own, which
// it hands to the view functions it calls. The fake canvas makes and frees its own
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
        m_p_platform_font = m_state->m_h_font;
        m_state->m_h_font = nullptr;
    }
    void TearDown() override {
        m_doc.reset();
        m_state->m_h_font = m_p_platform_font;
        m_state.reset();
    }
    // A fresh empty document.
    CallBackInfo* NewDocument() {
        m_doc = std::make_unique<CallBackInfo>(nullptr);
        return m_doc.get();
    }

    std::unique_ptr<ViewState> m_state;
    std::unique_ptr<CallBackInfo> m_doc;
    void* m_p_platform_font = nullptr;
};
