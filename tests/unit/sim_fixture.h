// Each test starts on a new, empty simulated desktop.
#pragma once

#include <gtest/gtest.h>

#include "launcher/launcher.h"
#include "platform/host/desktop.h"

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    sim::Desktop& d = sim::desktop();

    // Runs WinMain as the start-up would, with `tail` as its command line.
    std::optional<UINT> RunWinMain(std::string tail) {
        tail_ = std::move(tail);
        return sim::RunProcess([this] {
            const int status = WinMain(nullptr, nullptr, tail_.data(), SW_SHOWDEFAULT);
            ASSERT_EQ(status, 0);
        });
    }

private:
    std::string tail_;
};
