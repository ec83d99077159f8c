// A GoogleTest suite around one running Tunaro: the suite's SetUpTestSuite starts it with
// Tunaro().Start(...), every case finds it running, and it is stopped after the last case.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/running_tunaro.h"

namespace e2e {

class TunaroSuite : public ::testing::Test {
protected:
    // One program at a time: the suites of a test program run one after the other.
    static RunningTunaro& Tunaro() {
        static RunningTunaro tunaro;
        return tunaro;
    }
    static HWND Panel() { return Tunaro().Panel(); }
    static void Sync() { Tunaro().Sync(); }
    static void TearDownTestSuite() { Tunaro().Stop(); }
    void SetUp() override {
        ASSERT_NE(nullptr, Panel()) << Tunaro().Failure();
        ASSERT_TRUE(Tunaro().Running()) << "Tunaro has gone";
    }
};

} // namespace e2e
