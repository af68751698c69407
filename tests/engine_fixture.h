// A fixture that gives each test a fresh engine: the canvas of the previous
// test is deleted and the state record cleared back to its load state.
#pragma once
#include <gtest/gtest.h>

#include "core/alloc.h"
#include "core/engine_state.h"
#include "tessary.h"

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset() {
        SetAllocShortageHook(nullptr);
        TSY_DeleteImage();
        EngineStateResetForTests();
    }

    // A canvas of w x h with brush limit s, seed 0.
    static void NewCanvas(int w, int h, int s = 64) { TSY_CreateImage(nullptr, w, h, s, 0); }
};
