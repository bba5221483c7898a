// ktray's settings: read as ktray reads them, checked, written as ktray writes them, and ktray
// told through its window.
#include "tray_settings.h"


#include "store_registry.h"
#include "text.h"

namespace tune {

namespace {

// What ktray reads (its settings_keys.h and the value names of its alarm and fan schedule).
constexpr char kTuningKey[] = "Software\\Corvane\\Kestrel4";
constexpr char kAudioSettingKey[] = "Software\\Corvane\\Kestrel4\\AudioSetting";
constexpr char kSmartFanKey[] = "Software\\Corvane\\Kestrel4\\SmartFan";
constexpr char kAutoOverKey[] = "Software\\Corvane\\Kestrel4\\AutoOver";
constexpr char kTrayWindowTitle[] = "CVXM20";
constexpr UINT kReloadAudioMessage = WM_USER + 11;
constexpr UINT kApplyFanScheduleMessage = WM_USER + 14;
// ktray reads AudioFile with a 255-byte buffer: the text and its zero must fit.
constexpr size_t kMaxAudioFile = 254;

enum class Kind { Number, Switch, AudioFlag, Text, Time };

struct SettingRow {
    TraySetting setting;
    const char* name;
    Kind kind;
    int32_t low, high;   // Number
    const char* value;   // the registry value (Number, Switch, AudioFlag, Text)
};

constexpr SettingRow kRows[kTraySettingCount] = {
    {TraySetting::CpuFanLimit, "cpufanlimit", Kind::Number, 0, 20000, "iCpuFanLimit"},
    {TraySetting::SysFanLimit, "sysfanlimit", Kind::Number, 0, 20000, "iSysFanLimit"},
    {TraySetting::PwrFanLimit, "pwrfanlimit", Kind::Number, 0, 20000, "iPwrFanLimit"},
    {TraySetting::CpuTempLimit, "cputemplimit", Kind::Number, 20, 120, "iCpuTempLimit"},
    {TraySetting::SysTempLimit, "systemplimit", Kind::Number, 20, 120, "iSysTempLimit"},
    {TraySetting::Audio, "audio", Kind::Switch, 0, 1, "iAudioON"},
    {TraySetting::AudioFlag, "audioflag", Kind::AudioFlag, 1, 2, "iAudioFlag"},
    {TraySetting::AudioFile, "audiofile", Kind::Text, 0, 0, "AudioFile"},
    {TraySetting::FanSchedule, "fanschedule", Kind::Switch, 0, 1, "iTimerSwitch"},
    {TraySetting::FanOn, "fanon", Kind::Time, 0, 0, nullptr},
    {TraySetting::FanOff, "fanoff", Kind::Time, 0, 0, nullptr},
    {TraySetting::FanAlways, "fanalways", Kind::Switch, 0, 1, "iAlwaysON"},
    {TraySetting::AutoOver, "autoover", Kind::Switch, 0, 1, nullptr},
};

const SettingRow& Row(TraySetting setting) { return kRows[static_cast<int>(setting)]; }

std::string Decimal(int32_t value) {
    if (value >= 0) return Dec(static_cast<uint32_t>(value));
    return Cat("-", DecDigits(0u - static_cast<uint32_t>(value)));
}

// Values from the registry may be anything: two digits at least, a minus kept.
std::string TimeText(int32_t hour, int32_t minute) {
    auto two = [](int32_t value) {
        return (value >= 0 && value < 10 ? "0" : "") + Decimal(value);
    };
    return Cat(two(hour), ":", two(minute));
}

enum class NumberParse { Ok, NotANumber, OutOfRange };

// Decimal digits with an optional minus; anything else is not a number.
NumberParse ParseInteger(std::string_view text, int32_t low, int32_t high, int32_t& value) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    if (i == text.size()) return NumberParse::NotANumber;
    int64_t magnitude = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return NumberParse::NotANumber;
        if (!overflow) {
            magnitude = magnitude * 10 + (text[i] - '0');
            if (magnitude > 0x7FFFFFFFll) overflow = true;
        }
    }
    if (overflow) return NumberParse::OutOfRange;
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < low || signedValue > high) return NumberParse::OutOfRange;
    value = static_cast<int32_t>(signedValue);
    return NumberParse::Ok;
}

// "H:MM" or "HH:MM", 00:00 to 23:59; minutes always two digits.
bool ParseTime(std::string_view text, int32_t& hour, int32_t& minute) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3)
        return false;
    auto digits = [](std::string_view part, int32_t& value) {
        value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        return true;
    };
    int32_t h = 0, m = 0;
    if (!digits(text.substr(0, colon), h) || !digits(text.substr(colon + 1), m)) return false;
    if (h > 23 || m > 59) return false;
    hour = h;
    minute = m;
    return true;
}


}  // namespace

const char* TraySettingName(TraySetting setting) { return Row(setting).name; }

bool TrayChanges::Empty() const {
    for (bool h : has)
        if (h) return false;
    return true;
}

TraySettings ReadTraySettings(HKEY root) {
    TraySettings s;
    auto mark = [&s](TraySetting setting, bool read) {
        s.stored[static_cast<int>(setting)] = read;
    };
    if (RegistryKey key = OpenKey(root, kTuningKey)) {
        mark(TraySetting::CpuFanLimit, ReadInt(key.Get(), "iCpuFanLimit", s.cpuFanLimit));
        mark(TraySetting::SysFanLimit, ReadInt(key.Get(), "iSysFanLimit", s.sysFanLimit));
        mark(TraySetting::PwrFanLimit, ReadInt(key.Get(), "iPwrFanLimit", s.pwrFanLimit));
        mark(TraySetting::CpuTempLimit, ReadInt(key.Get(), "iCpuTempLimit", s.cpuTempLimit));
        mark(TraySetting::SysTempLimit, ReadInt(key.Get(), "iSysTempLimit", s.sysTempLimit));
    }
    if (RegistryKey key = OpenKey(root, kAudioSettingKey)) {
        // A value missing from an existing key leaves what a fresh ktray holds: no file.
        s.audioFile.clear();
        mark(TraySetting::Audio, ReadInt(key.Get(), "iAudioON", s.audioOn));
        mark(TraySetting::AudioFlag, ReadInt(key.Get(), "iAudioFlag", s.audioFlag));
        mark(TraySetting::AudioFile, ReadText(key.Get(), "AudioFile", kMaxAudioFile, s.audioFile));
    }
    if (RegistryKey key = OpenKey(root, kSmartFanKey)) {
        mark(TraySetting::FanSchedule, ReadInt(key.Get(), "iTimerSwitch", s.timerSwitch));
        const bool onHour = ReadInt(key.Get(), "iTimeONh", s.timeOnHour);
        const bool onMinute = ReadInt(key.Get(), "iTimeONm", s.timeOnMinute);
        const bool offHour = ReadInt(key.Get(), "iTimeOFFh", s.timeOffHour);
        const bool offMinute = ReadInt(key.Get(), "iTimeOFFm", s.timeOffMinute);
        mark(TraySetting::FanOn, onHour && onMinute);
        mark(TraySetting::FanOff, offHour && offMinute);
        mark(TraySetting::FanAlways, ReadInt(key.Get(), "iAlwaysON", s.alwaysOn));
    }
    s.autoOver = KeyExists(root, kAutoOverKey);
    mark(TraySetting::AutoOver, true);
    return s;
}

std::string TraySettingText(const TraySettings& s, TraySetting setting) {
    switch (setting) {
        case TraySetting::CpuFanLimit: return Decimal(s.cpuFanLimit);
        case TraySetting::SysFanLimit: return Decimal(s.sysFanLimit);
        case TraySetting::PwrFanLimit: return Decimal(s.pwrFanLimit);
        case TraySetting::CpuTempLimit: return Decimal(s.cpuTempLimit);
        case TraySetting::SysTempLimit: return Decimal(s.sysTempLimit);
        case TraySetting::Audio: return Decimal(s.audioOn);
        case TraySetting::AudioFlag: return Decimal(s.audioFlag);
        case TraySetting::AudioFile: return s.audioFile;
        case TraySetting::FanSchedule: return Decimal(s.timerSwitch);
        case TraySetting::FanOn: return TimeText(s.timeOnHour, s.timeOnMinute);
        case TraySetting::FanOff: return TimeText(s.timeOffHour, s.timeOffMinute);
        case TraySetting::FanAlways: return Decimal(s.alwaysOn);
        case TraySetting::AutoOver: return s.autoOver ? "1" : "0";
    }
    return "";
}

bool ParseTrayAssignment(std::string_view assignment, TrayChanges& changes, std::string& error) {
    const size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) {
        error = Cat("\"", std::string(assignment), "\" is not NAME=VALUE");
        return false;
    }
    const std::string_view name = assignment.substr(0, equals);
    const std::string_view value = assignment.substr(equals + 1);
    const SettingRow* row = nullptr;
    for (const SettingRow& r : kRows)
        if (name == r.name) row = &r;
    if (!row) {
        error = Cat("unknown setting \"", std::string(name), "\"");
        return false;
    }
    const int index = static_cast<int>(row->setting);
    if (changes.has[index]) {
        error = Cat(std::string(row->name), " is given twice");
        return false;
    }
    int32_t number = 0;
    switch (row->kind) {
        case Kind::Number: {
            const NumberParse parsed = ParseInteger(value, row->low, row->high, number);
            if (parsed == NumberParse::NotANumber) {
                error =
                    Cat(std::string(row->name), ": \"", std::string(value), "\" is not a number");
                return false;
            }
            if (parsed == NumberParse::OutOfRange) {
                error = Cat(std::string(row->name), ": ", std::string(value), " is outside ",
                            Decimal(row->low), "..", Decimal(row->high));
                return false;
            }
            break;
        }
        case Kind::Switch:
            if (value == "1" || value == "on") number = 1;
            else if (value == "0" || value == "off") number = 0;
            else {
                error = Cat(std::string(row->name), ": \"", std::string(value),
                            "\" is not 0 or 1 (off or on)");
                return false;
            }
            break;
        case Kind::AudioFlag:
            if (value == "1" || value == "file") number = 1;
            else if (value == "2" || value == "beep") number = 2;
            else {
                error = Cat(std::string(row->name), ": \"", std::string(value),
                            "\" is not 1 (file) or 2 (beep)");
                return false;
            }
            break;
        case Kind::Text:
            if (value.empty() || value.size() > kMaxAudioFile) {
                error = Cat(std::string(row->name), ": a file name of 1 to 254 characters");
                return false;
            }
            for (char c : value)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    error = Cat(std::string(row->name), ": control characters in the file name");
                    return false;
                }
            changes.audioFile.assign(value);
            break;
        case Kind::Time: {
            int32_t hour = 0, minute = 0;
            if (!ParseTime(value, hour, minute)) {
                error = Cat(std::string(row->name), ": \"", std::string(value),
                            "\" is not a time HH:MM from 00:00 to 23:59");
                return false;
            }
            number = hour * 100 + minute;
            break;
        }
    }
    changes.has[index] = true;
    changes.number[index] = number;
    return true;
}

HWND FindTrayWindow() { return FindWindowA(nullptr, kTrayWindowTitle); }

bool WriteTraySettings(const TrayChanges& changes, TrayWriteResult& result, std::string& error,
                       HKEY root) {
    result = TrayWriteResult();
    auto has = [&](TraySetting s) { return changes.Has(s); };
    auto number = [&](TraySetting s) { return changes.number[static_cast<int>(s)]; };
    bool ok = true;

    // The limits: read at every monitor tick, so no message is needed.
    bool anyLimit = false;
    for (TraySetting s : {TraySetting::CpuFanLimit, TraySetting::SysFanLimit,
                          TraySetting::PwrFanLimit, TraySetting::CpuTempLimit,
                          TraySetting::SysTempLimit})
        anyLimit = anyLimit || has(s);
    if (anyLimit) {
        RegistryKey key = CreateKey(root, kTuningKey);
        for (TraySetting s : {TraySetting::CpuFanLimit, TraySetting::SysFanLimit,
                              TraySetting::PwrFanLimit, TraySetting::CpuTempLimit,
                              TraySetting::SysTempLimit})
            if (has(s)) ok = WriteInt(key.Get(), Row(s).value, number(s)) && ok;
    }

    // The sound: a key ktray has not made yet is made whole, as ktray would make it, so that
    // its first reload finds every value.
    const bool sound = has(TraySetting::Audio) || has(TraySetting::AudioFlag) ||
                       has(TraySetting::AudioFile);
    if (sound) {
        const bool existed = KeyExists(root, kAudioSettingKey);
        RegistryKey key = CreateKey(root, kAudioSettingKey);
        const int32_t audioOn = has(TraySetting::Audio) ? number(TraySetting::Audio) : 0;
        const int32_t audioFlag = has(TraySetting::AudioFlag) ? number(TraySetting::AudioFlag) : 2;
        const std::string file = has(TraySetting::AudioFile) ? changes.audioFile : "Default.wav";
        if (!existed || has(TraySetting::Audio))
            ok = WriteInt(key.Get(), "iAudioON", audioOn) && ok;
        if (!existed || has(TraySetting::AudioFlag))
            ok = WriteInt(key.Get(), "iAudioFlag", audioFlag) && ok;
        if (!existed || has(TraySetting::AudioFile))
            ok = WriteText(key.Get(), "AudioFile", file) && ok;
    }

    // The schedule: likewise made whole, in ktray's order.
    const bool schedule = has(TraySetting::FanSchedule) || has(TraySetting::FanOn) ||
                          has(TraySetting::FanOff) || has(TraySetting::FanAlways);
    if (schedule) {
        const bool existed = KeyExists(root, kSmartFanKey);
        RegistryKey key = CreateKey(root, kSmartFanKey);
        struct Field {
            const char* name;
            int32_t value;  // ktray's default
            bool write;
        } fields[6] = {{"iTimerSwitch", 1, !existed}, {"iTimeONh", 9, !existed},
                       {"iTimeONm", 0, !existed},     {"iTimeOFFh", 17, !existed},
                       {"iTimeOFFm", 0, !existed},    {"iAlwaysON", 0, !existed}};
        auto change = [&fields](int index, int32_t value) {
            fields[index].value = value;
            fields[index].write = true;
        };
        if (has(TraySetting::FanSchedule)) change(0, number(TraySetting::FanSchedule));
        if (has(TraySetting::FanOn)) {
            change(1, number(TraySetting::FanOn) / 100);
            change(2, number(TraySetting::FanOn) % 100);
        }
        if (has(TraySetting::FanOff)) {
            change(3, number(TraySetting::FanOff) / 100);
            change(4, number(TraySetting::FanOff) % 100);
        }
        if (has(TraySetting::FanAlways)) change(5, number(TraySetting::FanAlways));
        for (const Field& field : fields)
            if (field.write) ok = WriteInt(key.Get(), field.name, field.value) && ok;
    }

    if (has(TraySetting::AutoOver)) {
        if (number(TraySetting::AutoOver) == 1) {
            RegistryKey key = CreateKey(root, kAutoOverKey);
            if (key) RegFlushKey(key.Get());
            ok = static_cast<bool>(key) && ok;
        } else {
            ok = DeleteKeyTree(root, kAutoOverKey) && ok;
        }
    }

    if (!ok) error = "a setting could not be written to the registry";
    // ktray re-reads on these messages; without a ktray the values wait for its next start.
    if (HWND tray = FindTrayWindow()) {
        if (sound) result.toldSound = PostMessageA(tray, kReloadAudioMessage, 0, 0) != 0;
        if (schedule) result.toldSchedule = PostMessageA(tray, kApplyFanScheduleMessage, 0, 0) != 0;
    }
    return ok;
}

}  // namespace tune
