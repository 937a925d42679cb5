#pragma once
// A main window stand-in for the chart: records what the chart asks of it.
#include <string>
#include <vector>

#include "gui/graphs/chart_view.h"

namespace drv::test {

class FakeChartHost final : public ChartHost {
public:
    bool open = true;
    bool playing = false;
    int current = 1;
    int frames = 400;
    std::vector<std::string> calls;

    bool folderOpen() const override { return open; }
    bool playEnabled() const override { return !playing; }
    int currentFrame() const override { return current; }
    int frameCount() const override { return frames; }
    void setCurrentFrame(int frame) override {
        current = frame;
        calls.push_back("setCurrentFrame " + std::to_string(frame));
    }
    void ShowFrame() override { calls.push_back("ShowFrame " + std::to_string(current)); }
    void UpdateDataPanel(int frame) override { calls.push_back("UpdateDataPanel " + std::to_string(frame)); }
};

}  // namespace drv::test
