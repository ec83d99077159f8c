// Recordings through the capture engine on the simulated card of the prefix: what a start and a
// stop do to the graph and the preview, and the files the recording graphs write.
#include <gtest/gtest.h>

#include "engine/CaptureEngine.h"
#include "tests/engine/card_fixture.h"
#include "tests/support/e2e.h"

using namespace tunaro;
using namespace enginetest;

namespace {

class RecordingTest : public CardTest {
protected:
    // The engine with the preview running in the grabber chain.
    bool StartPreview(CaptureEngine& engine) {
        return engine.Initialize(m_owner, 2) != kEngineNoCard && engine.InitCaptureGraph() == kEngineOk &&
               engine.StartVideoPreview(2) == kEngineOk && engine.PreviewRunning();
    }
    // Whether frames keep reaching the preview over ms milliseconds.
    static bool PictureMoves(CaptureEngine& engine, DWORD ms) {
        long before = 0, after = 0;
        if (engine.GetFrameCounts(&before, nullptr) != kEngineOk)
            return false;
        Pump(ms);
        return engine.GetFrameCounts(&after, nullptr) == kEngineOk && after > before;
    }
};

TEST_F(RecordingTest, AStopWhenNothingRecordsDoesNothing) {
    CaptureEngine engine;
    ASSERT_TRUE(StartPreview(engine));
    EXPECT_EQ(engine.StopCapture(), kEngineFailed);
    EXPECT_FALSE(engine.Capturing());
    EXPECT_TRUE(engine.PreviewRunning()) << "the preview was left alone";
    EXPECT_TRUE(PictureMoves(engine, 400));
    EXPECT_TRUE(m_reporter.texts.empty());
    engine.Shutdown();
}

TEST_F(RecordingTest, AFileThatCannotBeCreatedFailsTheStartAndBringsThePreviewBack) {
    CaptureEngine engine;
    ASSERT_TRUE(StartPreview(engine));
    e2e::ScratchDir dir("engine_recording");
    const std::string file = dir.File("no such folder\\recording.avi");
    EXPECT_EQ(engine.StartCaptureAVI(file.c_str(), 1, 352, 288), kEngineFailed);
    EXPECT_FALSE(engine.Capturing());
    EXPECT_FALSE(m_reporter.texts.empty()) << "the user is told";
    EXPECT_TRUE(engine.PreviewRunning()) << "the preview comes back";
    EXPECT_TRUE(PictureMoves(engine, 400));
    EXPECT_FALSE(e2e::FileExists(file));
    EXPECT_EQ(engine.StopCapture(), kEngineFailed) << "nothing records after a failed start";
    engine.Shutdown();
}

} // namespace
