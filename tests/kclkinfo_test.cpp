// kclkinfo.exe as a script meets it: started as a child with its output captured, against the
// board behind the driver stand-in. The report must show what was set on the board, change
// nothing, and keep its exit statuses.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "firmware_settings.h"
#include "board_driver.h"
#include "child_run.h"
#include "firmware_model.h"
#include "win_handles.h"

namespace {


// --- A child's run -------------------------------------------------------------------------

using testsupport::ChildRun;

ChildRun RunKclkInfo(const std::string& arguments) {
    const std::string directory = testsupport::ProgramDirectory();
    return testsupport::RunChild(directory + "kclkinfo.exe", arguments, directory);
}

// Lines of output, a last one without its line end included.
size_t LineCount(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n') + (!text.empty() && text.back() != '\n');
}

// --- Just enough JSON ---------------------------------------------------------------------------

// Reads text that must be exactly one JSON value into "path/to/field" -> number (true and false
// as 1 and 0, strings and null as 0); an array's items are ".../0", ".../1" and its length
// ".../#".
class FlatJson {
public:
    bool Parse(const std::string& text) {
        p_ = text.c_str();
        end_ = p_ + text.size();
        if (!Value("", 0)) return false;
        Space();
        return p_ == end_;
    }
    bool Has(const std::string& path) const { return values_.count(path) != 0; }
    double operator[](const std::string& path) const {
        const auto it = values_.find(path);
        return it == values_.end() ? -1 : it->second;
    }
    const std::map<std::string, double>& Values() const { return values_; }

private:
    void Space() { while (p_ < end_ && *p_ && std::strchr(" \t\r\n", *p_)) ++p_; }
    bool Take(char c) {
        Space();
        return p_ < end_ && *p_ == c && ++p_;
    }
    bool Literal(const char* word) {
        const size_t n = std::strlen(word);
        return static_cast<size_t>(end_ - p_) >= n && std::strncmp(p_, word, n) == 0 && (p_ += n);
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        for (; p_ < end_ && *p_ != '"'; ++p_) {
            if (static_cast<unsigned char>(*p_) < 0x20) return false;
            const bool escape = *p_ == '\\';
            if (escape && (++p_ == end_ || !*p_ || !std::strchr("\"\\/bfnrtu", *p_))) return false;
            out += *p_;
        }
        return p_ < end_ && ++p_;
    }
    bool Value(const std::string& path, int depth) {
        const std::string prefix = path.empty() ? "" : path + "/";
        if (depth > 32) return false;
        if (Take('{')) {
            if (Take('}')) return true;
            do {
                std::string key;
                if (!String(key) || !Take(':') || !Value(prefix + key, depth + 1)) return false;
            } while (Take(','));
            return Take('}');
        }
        if (Take('[')) {
            int count = 0;
            if (!Take(']')) {
                do {
                    if (!Value(prefix + std::to_string(count++), depth + 1)) return false;
                } while (Take(','));
                if (!Take(']')) return false;
            }
            values_[prefix + "#"] = count;
            return true;
        }
        Space();
        std::string text;
        if (p_ < end_ && *p_ == '"') return String(text) && (values_[path] = 0, true);
        if (Literal("true")) return values_[path] = 1, true;
        if (Literal("false") || Literal("null")) return values_[path] = 0, true;
        const char* start = p_;
        while (p_ < end_ && *p_ && std::strchr("0123456789+-.eE", *p_)) ++p_;
        char* after = nullptr;
        values_[path] = std::strtod(std::string(start, p_).c_str(), &after);
        return p_ != start && *after == '\0';
    }

    const char* p_ = nullptr;
    const char* end_ = nullptr;
    std::map<std::string, double> values_;
};

// --- The board behind the driver -----------------------------------------------------------

class KclkInfo : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The first run installs and starts the driver the control device belongs to.
        const ChildRun warmUp = RunKclkInfo("--json");
        warmUpExit_ = warmUp.finished ? static_cast<int>(warmUp.exitCode) : -1;
    }
    void SetUp() override {
        ASSERT_EQ(0, warmUpExit_) << "kclkinfo could not reach the driver stand-in";
        ASSERT_TRUE(board_.IsOpen()) << "control device, error " << board_.LastError();
        ASSERT_TRUE(board_.ResetBoard());
    }
    void TearDown() override {
        if (board_.IsOpen()) board_.ResetBoard();
    }

    // Changes the firmware's state as a test of the board would.
    template <typename Change>
    void ChangeFirmware(Change change) {
        board::FirmwareModel model;
        ASSERT_TRUE(board_.ReadFirmware(model));
        change(model);
        ASSERT_TRUE(board_.WriteFirmware(model));
    }

    static int warmUpExit_;
    testsupport::BoardDriver board_;
};

int KclkInfo::warmUpExit_ = -1;

TEST_F(KclkInfo, JsonReportShowsWhatWasSetOnTheBoardAndChangesNothing) {
    ChangeFirmware([](board::FirmwareModel& m) {
        m.clock.current.fsb = 15000;  // DRAM follows at 5/4
        m.clock.tables[board::kDiscreteFsbTable].length = 3;
        m.voltages[0].current = 1750;
        m.ratio.current = 105;
        m.fsbDramAttributes = 0x00230003;
        m.cia.attribute = 0xFFFE;
        m.cia.status = 0x1234;
    });
    board::FirmwareModel before;
    ASSERT_TRUE(board_.ReadFirmware(before));

    const ChildRun run = RunKclkInfo("--json");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.err;
    FlatJson report;
    ASSERT_TRUE(report.Parse(run.out)) << run.out;

    const struct { const char* path; double expected; } expectations[] = {
        {"available", 1},
        {"Check_KRVer", 4},
        {"overclock/SupOverClock/status", 0},
        {"capability_flags/SupFSBShow", 1},
        {"capability_flags/FSBLinear", 0},
        {"capability_flags/DRAMSupRelDivMode", 1},
        {"frequencies/ReturnCurrentCPUFSB/status", 0},
        {"frequencies/ReturnCurrentCPUFSB/value", 15000},
        {"frequencies/ReturnCurrentDRAMFreq/value", 18750},
        {"frequencies/ReturnPresetDRAMFreq/value", 16666},
        {"frequencies/ReturnCurrentVCOValue/ecx_low", 15000},
        {"tables/ReturnDiscFSBTable/entries/#", 3},
        {"tables/ReturnDiscFSBTable/end/index", 3},
        {"tables/ReturnDiscFSBTable/end/status", board::kStatusPastEnd},
        {"voltages/vid/GetVidCurrentVol/value", 1750},
        {"cpu_ratio/GetCurrentCPURatio/value", 105},
        {"cpu_ratio/GetCPURatioLimit/ebx_high", 110},
        {"smart_fan/checked", 1},
        {"smart_fan/Check_SmartFan", 1},
        {"accelerators/GetCIAAttribute/answer", 1},
        {"accelerators/GetCIAAttribute/flag", 0},
        {"accelerators/GetCIAStatus/value", 0x1234},
        {"accelerators/GetMIBAttribute/flag", 1},
    };
    for (const auto& e : expectations) EXPECT_EQ(e.expected, report[e.path]) << e.path;

    // Every table the board has ends, and the report saw all of it.
    int tables = 0, flags = 0;
    for (const auto& [path, value] : report.Values()) {
        flags += path.rfind("capability_flags/", 0) == 0;
        const size_t tail = path.rfind("/truncated");
        if (path.rfind("tables/", 0) != 0 || tail == std::string::npos) continue;
        ++tables;
        const std::string table = path.substr(0, tail);
        EXPECT_EQ(0, value) << table;
        EXPECT_EQ(report[table + "/entries/#"], report[table + "/end/index"]) << table;
    }
    EXPECT_EQ(9, tables);
    EXPECT_EQ(21, flags);

    board::FirmwareModel after;
    ASSERT_TRUE(board_.ReadFirmware(after));
    EXPECT_TRUE(testsupport::SameSettings(before, after)) << "a report changes no setting";
    EXPECT_GT(after.requestCount, before.requestCount) << "the report did ask the firmware";
}

TEST_F(KclkInfo, TextReportPrintsWordsInHexAndDecimal) {
    ChangeFirmware([](board::FirmwareModel& m) { m.clock.current.fsb = 15000; });
    const ChildRun run = RunKclkInfo("");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.err;
    const size_t at = run.out.find("ReturnCurrentCPUFSB");
    ASSERT_NE(std::string::npos, at) << run.out;
    const std::string line = run.out.substr(at, run.out.find('\n', at) - at);
    EXPECT_NE(std::string::npos, line.find("value 0x3A98 (15000)")) << line;
}

TEST_F(KclkInfo, NoTuningInterfaceExitsTwoSayingSo) {
    BoardConfig config{};
    ASSERT_TRUE(board_.Config(config));
    config.InterfacePresent = 0;
    ASSERT_TRUE(board_.SetConfig(config));

    ChildRun run = RunKclkInfo("");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ(1u, LineCount(run.out)) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("not available")) << run.out;

    run = RunKclkInfo("--json");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(2u, run.exitCode);
    FlatJson report;
    ASSERT_TRUE(report.Parse(run.out)) << run.out;
    EXPECT_EQ(0, report["available"]);
    ASSERT_TRUE(report.Has("Check_KRVer"));
    EXPECT_NE(4, report["Check_KRVer"]);
    EXPECT_EQ(2u, report.Values().size()) << "nothing more was asked: " << run.out;
}

TEST_F(KclkInfo, UsageAnswersWithoutAskingTheFirmware) {
    const struct { const char* arguments; DWORD exitCode; } cases[] = {
        {"--bogus", 1}, {"json", 1}, {"--json --verbose", 1}, {"--help", 0},
    };
    for (const auto& c : cases) {
        BoardLastRequest before{}, after{};
        ASSERT_TRUE(board_.LastRequest(before));
        const ChildRun run = RunKclkInfo(c.arguments);
        ASSERT_TRUE(run.finished) << c.arguments;
        EXPECT_EQ(c.exitCode, run.exitCode) << c.arguments;
        if (c.exitCode == 1) {
            EXPECT_TRUE(run.out.empty()) << c.arguments << ": " << run.out;
            EXPECT_EQ(1u, LineCount(run.err)) << c.arguments << ": " << run.err;
        } else {
            EXPECT_NE(std::string::npos, run.out.find("Usage: kclkinfo")) << run.out;
        }
        ASSERT_TRUE(board_.LastRequest(after));
        EXPECT_EQ(before.RequestCount, after.RequestCount) << c.arguments;
    }
}

}  // namespace
