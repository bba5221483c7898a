// The tuning tool's Monitor and alarms and Smart fan pages, made from the tool's own templates
// and code, on the monitor and sound stand-ins: what they save is what ktray reads; bad input
// saves nothing, says why and puts the caret in the field; a missing monitor library or sensors
// without readings are told while the rest works; the graph draws the readings. Screenshots of
// both pages are left in the program's folder (screenshots\).
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench_records.h"
#include "fan_page.h"
#include "graph_scale.h"
#include "monitor_page.h"
#include "window_picture.h"
#include "reading_graph.h"
#include "scratch_registry.h"
#include "tray_settings.h"

namespace {

using kr4::FanPage;
using kr4::MonitorPage;

const std::string kTuningKey = "Software\\Corvane\\Kestrel4";

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A top-level window around one page, as large as the page, at a place of its own on screen.
class Host {
public:
    Host(kr4::Page& page, int x, int y) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = "Kr4PagesHost";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(WS_EX_CONTROLPARENT, "Kr4PagesHost", page.Title(),
                                  WS_OVERLAPPED | WS_CAPTION, x, y, 100, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        if (!window_ || !page.Create(window_)) return;
        RECT size;
        GetWindowRect(page.Handle(), &size);
        OffsetRect(&size, -size.left, -size.top);
        AdjustWindowRectEx(&size, WS_OVERLAPPED | WS_CAPTION, FALSE, WS_EX_CONTROLPARENT);
        SetWindowPos(window_, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        ShowWindow(page.Handle(), SW_SHOW);
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
        Pump();
    }
    ~Host() {
        if (window_) DestroyWindow(window_);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    bool Made() const { return window_ != nullptr; }

private:
    HWND window_ = nullptr;
};

std::string Text(HWND page, int id) {
    char text[512] = "";
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}

void Type(HWND page, int id, const std::string& text) { SetDlgItemTextA(page, id, text.c_str()); }

void Click(HWND page, int id) {
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
    Pump();
}

// As the user picks an option: the button checks itself and tells the page.
void Choose(HWND page, int id) {
    SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
    Pump();
}

void Tick(HWND page) {
    SendMessageA(page, WM_TIMER, MonitorPage::kSampleTimer, 0);
    Pump();
}

using testsupport::Picture;

Picture Capture(HWND window) { return testsupport::CaptureWindow(window); }

void SaveScreenshot(HWND window, const char* name) {
    CreateDirectoryA("screenshots", nullptr);
    const Picture shot = Capture(window);
    EXPECT_TRUE(shot.SavePng(std::string("screenshots\\") + name)) << name;
}

class Kr4Pages : public testing::Test {
protected:
    void SetUp() override {
        testsupport::RemoveTree(HKEY_CURRENT_USER, kTuningKey);
        testsupport::ClearMonitor();
        testsupport::ClearSoundJournal();
    }
    void TearDown() override {
        testsupport::RemoveTree(HKEY_CURRENT_USER, kTuningKey);
        testsupport::ClearMonitor();
    }
};

// Good values in every field of the monitor page, the sound set to play a file.
void FillMonitorPage(HWND page) {
    Type(page, IDC_MON_CPUFAN, "2500");
    Type(page, IDC_MON_PWRFAN, "900");
    Type(page, IDC_MON_SYSFAN, "2100");
    Type(page, IDC_MON_CPUTEMP, "70");
    Type(page, IDC_MON_SYSTEMP, "55");
    CheckDlgButton(page, IDC_MON_SOUND_ON, BST_CHECKED);
    Choose(page, IDC_MON_FILE);
    Type(page, IDC_MON_FILE_PATH, "C:\\alarm.wav");
}

void FillFanPage(HWND page) {
    CheckDlgButton(page, IDC_FAN_SCHEDULE, BST_UNCHECKED);
    CheckDlgButton(page, IDC_FAN_ALWAYS, BST_CHECKED);
    Type(page, IDC_FAN_ON_TIME, "7:05");
    Type(page, IDC_FAN_OFF_TIME, "23:59");
}

TEST_F(Kr4Pages, SavedFieldsAreWhatKtrayReadsAndComeBack) {
    {
        MonitorPage monitor(kr4::KitOutsideLibraries());
        FanPage fan;
        Host monitorHost(monitor, 0, 0), fanHost(fan, 0, 400);
        ASSERT_TRUE(monitorHost.Made() && fanHost.Made());
        FillMonitorPage(monitor.Handle());
        Click(monitor.Handle(), IDC_MON_SAVE);
        EXPECT_EQ(0u, Text(monitor.Handle(), IDC_MON_MESSAGE).find("Saved"))
            << Text(monitor.Handle(), IDC_MON_MESSAGE);
        FillFanPage(fan.Handle());
        Click(fan.Handle(), IDC_FAN_SAVE);
        EXPECT_EQ(0u, Text(fan.Handle(), IDC_FAN_MESSAGE).find("Saved"))
            << Text(fan.Handle(), IDC_FAN_MESSAGE);
    }
    using S = tune::TraySetting;
    const std::pair<S, const char*> stored[] = {
        {S::CpuFanLimit, "2500"}, {S::PwrFanLimit, "900"},  {S::SysFanLimit, "2100"},
        {S::CpuTempLimit, "70"},  {S::SysTempLimit, "55"},  {S::Audio, "1"},
        {S::AudioFlag, "1"},      {S::AudioFile, "C:\\alarm.wav"}, {S::FanSchedule, "0"},
        {S::FanOn, "07:05"},      {S::FanOff, "23:59"},     {S::FanAlways, "1"}};
    const tune::TraySettings s = tune::ReadTraySettings();
    for (const auto& [setting, text] : stored)
        EXPECT_EQ(text, tune::TraySettingText(s, setting)) << tune::TraySettingName(setting);

    // Pages opened afresh show what was stored.
    MonitorPage monitor(kr4::KitOutsideLibraries());
    FanPage fan;
    Host monitorHost(monitor, 0, 0), fanHost(fan, 0, 400);
    const HWND m = monitor.Handle(), f = fan.Handle();
    EXPECT_EQ("2500", Text(m, IDC_MON_CPUFAN));
    EXPECT_EQ("55", Text(m, IDC_MON_SYSTEMP));
    EXPECT_EQ("C:\\alarm.wav", Text(m, IDC_MON_FILE_PATH));
    EXPECT_TRUE(IsDlgButtonChecked(m, IDC_MON_FILE) && !IsDlgButtonChecked(m, IDC_MON_BEEP));
    EXPECT_EQ("07:05", Text(f, IDC_FAN_ON_TIME));
    EXPECT_EQ("23:59", Text(f, IDC_FAN_OFF_TIME));
    EXPECT_TRUE(!IsDlgButtonChecked(f, IDC_FAN_SCHEDULE) && IsDlgButtonChecked(f, IDC_FAN_ALWAYS));
}

TEST_F(Kr4Pages, BadInputSavesNothingAndSaysWhatIsWrongAtTheField) {
    struct Case {
        const char* what;
        bool fanPage;
        int field;
        const char* text;
        const char* said;
    };
    const Case cases[] = {
        {"letters in a limit", false, IDC_MON_CPUFAN, "25OO",
         "CPU fans limit: \"25OO\" is not a number"},
        {"an empty limit", false, IDC_MON_SYSFAN, "", "System fan limit: \"\" is not a number"},
        {"a limit above its range", false, IDC_MON_CPUTEMP, "121",
         "CPU temperature limit: 121 is outside 20..120"},
        {"a limit below its range", false, IDC_MON_SYSTEMP, "19",
         "System temperature limit: 19 is outside 20..120"},
        {"a file to play, but none named", false, IDC_MON_FILE_PATH, "",
         "Sound file: a file name of 1 to 254 characters"},
        {"hour 25", true, IDC_FAN_ON_TIME, "25:00",
         "ON time: \"25:00\" is not a time HH:MM from 00:00 to 23:59"},
        {"minute 60", true, IDC_FAN_OFF_TIME, "9:60", "OFF time: \"9:60\" is not a time"},
        {"no time", true, IDC_FAN_OFF_TIME, "", "OFF time: \"\" is not a time"},
    };
    for (const Case& c : cases) {
        testsupport::RemoveTree(HKEY_CURRENT_USER, kTuningKey);
        // Every other field good, so that a save field by field would leave something behind.
        std::unique_ptr<kr4::Page> page;
        if (c.fanPage)
            page = std::make_unique<FanPage>();
        else
            page = std::make_unique<MonitorPage>(kr4::KitOutsideLibraries());
        Host host(*page, 0, 0);
        ASSERT_TRUE(host.Made()) << c.what;
        const HWND p = page->Handle();
        if (c.fanPage)
            FillFanPage(p);
        else
            FillMonitorPage(p);
        Type(p, c.field, c.text);
        Click(p, c.fanPage ? IDC_FAN_SAVE : IDC_MON_SAVE);

        const std::string said = Text(p, c.fanPage ? IDC_FAN_MESSAGE : IDC_MON_MESSAGE);
        EXPECT_EQ(0u, said.find(c.said)) << c.what << ": " << said;
        EXPECT_NE(std::string::npos, said.find("nothing was saved")) << c.what << ": " << said;
        EXPECT_EQ(GetDlgItem(p, c.field), GetFocus()) << c.what;
        EXPECT_FALSE(testsupport::KeyPresent(HKEY_CURRENT_USER, kTuningKey))
            << c.what << ": something was written";
    }
}

TEST_F(Kr4Pages, WithoutMonitorLibraryOrReadingsThePageSaysSoAndTheRestWorks) {
    const int values[] = {IDC_MON_TEMP_VALUE,    IDC_MON_TEMP_VALUE + 1, IDC_MON_TEMP_VALUE + 2,
                          IDC_MON_FAN_VALUE,     IDC_MON_FAN_VALUE + 1,  IDC_MON_FAN_VALUE + 2,
                          IDC_MON_FAN_VALUE + 3, IDC_MON_FAN_VALUE + 4};
    {
        testsupport::SetTemperature(1, 40);  // a library that is not there reads nothing
        MonitorPage page(kr4::OutsideLibraryFiles{"no_such_monitor.dll", "no_such_sound.dll"});
        Host host(page, 0, 0);
        ASSERT_TRUE(host.Made());
        const HWND p = page.Handle();
        EXPECT_NE(std::string::npos,
                  Text(p, IDC_MON_READINGS).find("monitor library w83781d.dll is not there"))
            << Text(p, IDC_MON_READINGS);
        for (int id : values) EXPECT_EQ("none", Text(p, id)) << id;
        Tick(p);
        EXPECT_EQ("none", Text(p, IDC_MON_TEMP_VALUE));

        Type(p, IDC_MON_CPUFAN, "2600");
        Click(p, IDC_MON_SAVE);
        EXPECT_EQ(2600, tune::ReadTraySettings().cpuFanLimit) << Text(p, IDC_MON_MESSAGE);
        SaveScreenshot(p, "kr4_monitor_page_no_library.png");
        // Without the sound library the test is the system's beep, over at once.
        Choose(p, IDC_MON_BEEP);
        Click(p, IDC_MON_TEST);
        EXPECT_EQ("&Test", Text(p, IDC_MON_TEST));
        EXPECT_EQ("", testsupport::SoundJournal());
    }
    testsupport::ClearMonitor();  // every sensor answers -1
    MonitorPage page(kr4::KitOutsideLibraries());
    Host host(page, 0, 0);
    ASSERT_TRUE(host.Made());
    const HWND p = page.Handle();
    EXPECT_NE(std::string::npos, Text(p, IDC_MON_READINGS).find("answers none for every sensor"))
        << Text(p, IDC_MON_READINGS);
    for (int id : values) EXPECT_EQ("none", Text(p, id)) << id;

    testsupport::SetTemperature(2, 47);
    testsupport::SetFanCount(5, 2800);
    Tick(p);
    EXPECT_EQ("47 \260C", Text(p, IDC_MON_TEMP_VALUE + 1));
    EXPECT_EQ("2800 rpm", Text(p, IDC_MON_FAN_VALUE + 4));
    EXPECT_EQ("none", Text(p, IDC_MON_TEMP_VALUE));
    EXPECT_EQ("none", Text(p, IDC_MON_FAN_VALUE));
    EXPECT_EQ(0u, Text(p, IDC_MON_READINGS).find("The last 10 minutes"));

    // Test and Stop through the sound library, as ktray plays its alarm.
    Choose(p, IDC_MON_BEEP);
    Click(p, IDC_MON_TEST);
    EXPECT_NE(std::string::npos, testsupport::SoundJournal().find("PlayBeep(0);"))
        << testsupport::SoundJournal();
    EXPECT_EQ("S&top", Text(p, IDC_MON_TEST));
    Click(p, IDC_MON_TEST);
    const std::string journal = testsupport::SoundJournal();
    EXPECT_EQ("AllStop;", journal.substr(journal.size() - 8)) << journal;
    EXPECT_EQ("&Test", Text(p, IDC_MON_TEST));
}

TEST_F(Kr4Pages, GraphDrawsTheReadingsAndScreenshots) {
    for (int i = 1; i <= 3; ++i) testsupport::SetTemperature(i, 30 + 10 * i);
    for (int i = 1; i <= 5; ++i) testsupport::SetFanCount(i, 1000 + 500 * i);
    MonitorPage page(kr4::KitOutsideLibraries());
    FanPage fan;
    Host host(page, 0, 0), fanHost(fan, 0, 400);
    ASSERT_TRUE(host.Made() && fanHost.Made());
    const HWND p = page.Handle();
    for (int tick = 0; tick < 40; ++tick) {
        testsupport::SetTemperature(2, 50 + tick % 15);
        testsupport::SetFanCount(1, 3000 + 50 * (tick % 10));
        Tick(p);
    }
    const HWND graph = GetDlgItem(p, IDC_MON_GRAPH);
    ASSERT_TRUE(graph);
    const Picture shown = Capture(graph);
    for (int i = 0; i < kr4::kTemperatureCount; ++i)
        EXPECT_GT(shown.Count(kr4::TemperatureLineColor(i)), 20u) << "temperature " << i + 1;
    for (int i = 0; i < kr4::kFanCount; ++i)
        EXPECT_GT(shown.Count(kr4::FanLineColor(i)), 20u) << "fan " << i + 1;
    SaveScreenshot(p, "kr4_monitor_page.png");
    SaveScreenshot(fan.Handle(), "kr4_fan_page.png");
    // KR4_PAGES_HOLD_MS keeps both pages on the display a while, for a screenshot from outside.
    if (const char* hold = getenv("KR4_PAGES_HOLD_MS"))
        for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(atoi(hold));) {
            Pump();
            Sleep(50);
        }

    // Without readings no line is drawn: the counts above are the lines, not the background.
    testsupport::ClearMonitor();
    MonitorPage empty(kr4::KitOutsideLibraries());
    Host emptyHost(empty, 500, 380);
    const Picture blank = Capture(GetDlgItem(empty.Handle(), IDC_MON_GRAPH));
    EXPECT_GT(blank.Count(GetSysColor(COLOR_WINDOW)), 1000u) << "the empty graph is on screen";
    EXPECT_EQ(0u, blank.Count(kr4::TemperatureLineColor(1)));
    EXPECT_EQ(0u, blank.Count(kr4::FanLineColor(0)));
}

// Every edit and button the user works is on the page's Tab round (a radio group through one
// of its buttons: the checked one takes the group's stop), and no two labels share an
// underlined letter.
void ExpectKeyboardReachable(HWND page, const char* what) {
    std::set<HWND> round;
    for (HWND c = GetNextDlgTabItem(page, nullptr, FALSE); c && !round.count(c);
         c = GetNextDlgTabItem(page, c, FALSE))
        round.insert(c);
    std::map<char, std::string> letters;
    std::string radios;  // the texts of the radio group being walked
    bool radioReached = false;
    auto endRadios = [&] {
        EXPECT_TRUE(radios.empty() || radioReached) << what << ": no button of " << radios
                                                    << " is on the Tab round";
        radios.clear();
        radioReached = false;
    };
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[32] = "", text[256] = "";
        GetClassNameA(c, name, sizeof name);
        GetWindowTextA(c, text, sizeof text);
        const LONG style = GetWindowLongA(c, GWL_STYLE);
        const LONG kind = style & BS_TYPEMASK;
        const bool button = lstrcmpiA(name, "Button") == 0 && kind != BS_GROUPBOX;
        const bool radio = button && kind == BS_AUTORADIOBUTTON;
        if (!radio || (style & WS_GROUP)) endRadios();
        if (radio) {
            radios += std::string("\"") + text + "\" ";
            radioReached = radioReached || round.count(c);
        } else if (button || lstrcmpiA(name, "Edit") == 0) {
            EXPECT_TRUE(round.count(c)) << what << ": \"" << text << "\" (" << GetDlgCtrlID(c)
                                        << ") is not on the Tab round";
        }
        if (const char* amp = strchr(text, '&')) {
            const char letter = static_cast<char>(tolower(static_cast<unsigned char>(amp[1])));
            EXPECT_TRUE(letters.emplace(letter, text).second)
                << what << ": \"" << text << "\" and \"" << letters[letter] << "\"";
        }
    }
    endRadios();
}

TEST_F(Kr4Pages, EveryControlIsOnTheKeyboard) {
    MonitorPage monitor(kr4::KitOutsideLibraries());
    FanPage fan;
    Host monitorHost(monitor, 0, 0), fanHost(fan, 0, 400);
    ASSERT_TRUE(monitorHost.Made() && fanHost.Made());
    Choose(monitor.Handle(), IDC_MON_FILE);  // the file's path and Browse are enabled then
    ExpectKeyboardReachable(monitor.Handle(), "monitor page");
    ExpectKeyboardReachable(fan.Handle(), "fan page");
}

TEST(Kr4ReadingHistory, KeepsTheNewestTenMinutesOnly) {
    kr4::ReadingHistory history;
    kr4::SensorSample sample;
    for (int n = 0; n < 3; ++n) {
        sample.temperature[0] = n;
        history.Add(sample);
    }
    EXPECT_EQ(3u, history.Size());
    EXPECT_EQ(0, history.At(0).temperature[0]);
    const int total = static_cast<int>(kr4::kHistorySamples) + 10;
    for (int n = 3; n < total; ++n) {
        sample.temperature[0] = n;
        history.Add(sample);
    }
    ASSERT_EQ(kr4::kHistorySamples, history.Size());
    EXPECT_EQ(10, history.At(0).temperature[0]) << "the oldest kept";
    EXPECT_EQ(total - 1, history.At(history.Size() - 1).temperature[0]) << "the newest";
    EXPECT_EQ(10u * 60 * 1000, kr4::kHistorySamples * kr4::kSamplePeriodMs);
}

TEST(Kr4GraphScale, ReadingsStayInsideThePlot) {
    EXPECT_EQ(60, kr4::ValueToY(50, 100, 10, 110));
    EXPECT_EQ(10, kr4::ValueToY(150, 100, 10, 110)) << "above the axis: its top";
    EXPECT_EQ(110, kr4::ValueToY(-5, 100, 10, 110)) << "below zero: the bottom";
    const size_t capacity = kr4::kHistorySamples;
    EXPECT_EQ(300, kr4::SampleToX(capacity - 1, capacity, capacity, 0, 300)) << "newest at right";
    EXPECT_EQ(0, kr4::SampleToX(0, capacity, capacity, 0, 300)) << "oldest at left";
    EXPECT_EQ(300, kr4::SampleToX(4, 5, capacity, 0, 300)) << "a young history starts at right";
    EXPECT_GT(kr4::SampleToX(0, 5, capacity, 0, 300), 280);
    EXPECT_EQ(70, kr4::AxisTop(62, 10, 50));
    EXPECT_EQ(80, kr4::AxisTop(70, 10, 50)) << "no line along the top edge";
    EXPECT_EQ(50, kr4::AxisTop(12, 10, 50));
    EXPECT_EQ(1000, kr4::AxisTop(-1, 1000, 1000)) << "no readings";
}

}  // namespace
