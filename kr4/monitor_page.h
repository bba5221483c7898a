// Monitor and alarms: the monitor library's readings now and over the last ten minutes (a
// sample every few seconds for as long as the tool runs, whichever page is shown), the five
// limits ktray's alarm compares them with, and the alarm's sound, heard with Test before it is
// saved. Saving writes through the tuning core's checks and tells ktray.
#pragma once

#include "kit_library.h"
#include "monitor_library.h"
#include "page.h"
#include "reading_graph.h"
#include "reading_history.h"
#include "resource.h"
#include "sound_trial.h"

namespace kr4 {

class MonitorPage : public Page {
public:
    static constexpr UINT_PTR kSampleTimer = 1;
    static constexpr UINT_PTR kSoundTimer = 2;  // watches a trial sound end

    explicit MonitorPage(const OutsideLibraryFiles& files);
    const char* Title() const override { return "Monitor and alarms"; }
    int TemplateId() const override { return IDD_MONITOR; }

protected:
    void Init() override;
    void Command(int id, int code) override;
    bool Message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void LoadSettings();
    void Sample();
    void ShowReadings(const SensorSample& sample, bool anyReading);
    void ShowFileChoice();
    void Browse();
    void TestOrStop();
    void ShowTestButton(bool playing);
    void Save();

    std::string monitorFile_;
    ktray::MonitorLibrary monitor_;
    bool monitorLoaded_ = false;
    ReadingHistory history_;
    ReadingGraph graph_{history_};
    SoundTrial sound_;
};

}  // namespace kr4
