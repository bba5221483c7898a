#include "tuning_page.h"

#include <commctrl.h>

#include "apply_session.h"
#include "resource.h"
#include "text.h"
#include "tool_options.h"
#include "verified_apply.h"

namespace kr4 {

namespace {

constexpr tune::Item kClockItems[TuningPage::kRows] = {tune::Item::Fsb, tune::Item::Dram,
                                                       tune::Item::Agp, tune::Item::Pci};
constexpr tune::Item kLevelItems[TuningPage::kRows] = {tune::Item::Vcore, tune::Item::Vdimm,
                                                       tune::Item::Vagp, tune::Item::Ratio};
constexpr const char* kClockLabels[TuningPage::kRows] = {"&FSB", "&DRAM", "A&GP", "P&CI"};
constexpr const char* kLevelLabels[TuningPage::kRows] = {"C&ore voltage", "D&IMM voltage",
                                                         "AG&P voltage", "CPU &ratio"};

// The simulated board's convention, as kclktune shows it: an FSB word is MHz x 100.
std::string WordWithMeaning(tune::Item item, uint16_t word) {
    std::string text = tune::WordText(item, word);
    if (item == tune::Item::Fsb)
        text += " (" + tune::Dec(word / 100u) + "." + (word % 100u < 10 ? "0" : "") +
                tune::Dec(word % 100u) + " MHz)";
    return text;
}

void AddTable(std::vector<uint16_t>& offer, const tune::WordTable& table) {
    for (uint16_t word : table.entries) {
        bool seen = false;
        for (uint16_t known : offer) seen |= known == word;
        if (!seen) offer.push_back(word);
    }
}

}  // namespace

bool ParseWordText(const std::string& text, uint16_t& word) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const bool hex = text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0;
    if (hex) i += 2;
    uint32_t value = 0;
    size_t digits = 0;
    for (; i < text.size(); ++i, ++digits) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = value * (hex ? 16u : 10u) + static_cast<uint32_t>(digit);
        if (value > 0xFFFF) return false;
    }
    if (digits == 0) return false;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] != '(') return false;
    word = static_cast<uint16_t>(value);
    return true;
}

const char* TuningPage::Title() const {
    return kind_ == Kind::Clocks ? "Clocks" : "Voltages and ratio";
}

int TuningPage::TemplateId() const { return IDD_TUNING; }

tune::Item TuningPage::RowItem(int row) const {
    return kind_ == Kind::Clocks ? kClockItems[row] : kLevelItems[row];
}

void TuningPage::Init() {
    for (int row = 0; row < kRows; ++row)
        SetControlText(IDC_ROW_LABEL + row,
                       kind_ == Kind::Clocks ? kClockLabels[row] : kLevelLabels[row]);
    if (kind_ != Kind::Clocks) {
        ShowWindow(GetDlgItem(dialog_, IDC_TUNING_PERMANENT), SW_HIDE);
        ShowWindow(GetDlgItem(dialog_, IDC_TUNING_HEAD_PRESET), SW_HIDE);
        for (int row = 0; row < kRows; ++row)
            ShowWindow(GetDlgItem(dialog_, IDC_ROW_PRESET + row), SW_HIDE);
    }
    EnableWindow(GetDlgItem(dialog_, IDC_TUNING_PERMANENT), FALSE);
}

void TuningPage::ReadBoard() {
    snapshot_ = tune::ReadBoardSnapshot();
    for (int row = 0; row < kRows; ++row) FillRow(row);
    if (!snapshot_.usable)
        Say(IDC_TUNING_MESSAGE, "No tuning interface on this computer (Check_KRVer answered " +
                                    std::string(snapshot_.krVersion < 0 ? "-" : "") +
                                    tune::Dec(static_cast<uint32_t>(snapshot_.krVersion < 0
                                                                        ? -snapshot_.krVersion
                                                                        : snapshot_.krVersion)) +
                                    "); nothing can be changed.");
    EnableWindow(GetDlgItem(dialog_, IDC_TUNING_APPLY), snapshot_.usable);
}

void TuningPage::FillRow(int row) {
    const tune::Item item = RowItem(row);
    const HWND combo = GetDlgItem(dialog_, IDC_ROW_VALUE + row);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);

    std::vector<uint16_t> offer;
    std::string offerText;
    if (tune::IsClock(item)) {
        const tune::ClockState& c = snapshot_.clock;
        const uint32_t attributes = c.Attributes(item);
        if (item == tune::Item::Fsb) {
            AddTable(offer, c.tables[tune::kDiscreteFsbTable]);
            if (attributes & tune::kAttrAsync) AddTable(offer, c.tables[tune::kFsbAsyncTable]);
            const tune::WordLimit& linear = c.limits[tune::kLinearFsbLimit];
            if ((attributes & tune::kAttrLinear) && linear.Known())
                offerText = "any word " + tune::Dec(linear.low) + "..." + tune::Dec(linear.high);
        } else {
            const int divider = item == tune::Item::Dram  ? tune::kDramDividerTable
                                : item == tune::Item::Agp ? tune::kAgpDividerTable
                                                          : tune::kPciDividerTable;
            AddTable(offer, c.tables[divider]);
            if (attributes & tune::kAttrAsync) AddTable(offer, c.tables[divider + 4]);
        }
    } else if (const tune::LevelState* level = snapshot_.Level(item)) {
        AddTable(offer, level->table);
        if (item == tune::Item::Ratio && level->limit.Known())
            offerText = "from " + tune::Dec(level->limit.low) + " to " + tune::Dec(level->limit.high);
    }
    for (uint16_t word : offer)
        SendMessageA(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(WordWithMeaning(item, word).c_str()));
    if (offerText.empty()) offerText = tune::Dec(static_cast<uint32_t>(offer.size())) + " offered";

    std::string whyNot;
    const bool adjustable = snapshot_.Adjustable(item, &whyNot);
    EnableWindow(combo, adjustable);
    SetControlText(IDC_ROW_OFFER + row, adjustable ? offerText : whyNot);

    const std::optional<uint16_t> now = snapshot_.Current(item);
    SetControlText(IDC_ROW_NOW + row, now ? WordWithMeaning(item, *now) : "unknown");
    SetWindowTextA(combo, now ? WordWithMeaning(item, *now).c_str() : "");
    if (tune::IsClock(item)) {
        const bool presetKnown = snapshot_.clock.presetStatus == 0 && item != tune::Item::Pci;
        SetControlText(IDC_ROW_PRESET + row,
                       presetKnown ? WordWithMeaning(item, snapshot_.clock.preset.Get(item))
                                   : "not reported");
    }
}

void TuningPage::Command(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_TUNING_APPLY: Apply(); break;
    case IDC_TUNING_READ:
        ReadBoard();
        Say(IDC_TUNING_MESSAGE, "Read from the board.");
        break;
    case IDC_TUNING_PERMANENT: MakePermanent(); break;
    default: break;
    }
}

void TuningPage::Apply() {
    tune::TargetSet targets;
    for (int row = 0; row < kRows; ++row) {
        const tune::Item item = RowItem(row);
        if (!IsWindowEnabled(GetDlgItem(dialog_, IDC_ROW_VALUE + row))) continue;
        const std::string text = ControlText(IDC_ROW_VALUE + row);
        uint16_t word = 0;
        if (!ParseWordText(text, word)) {
            Say(IDC_TUNING_MESSAGE,
                std::string(tune::ItemName(item)) + ": \"" + text +
                    "\" is not a word (a number 0..65535, or hex as 0x0405); nothing was sent",
                IDC_ROW_VALUE + row);
            return;
        }
        const std::optional<uint16_t> now = snapshot_.Current(item);
        if (!now || *now != word) targets.Set(item, word);
    }
    if (targets.Empty()) {
        Say(IDC_TUNING_MESSAGE, "Nothing to change: every value is in force.");
        return;
    }
    Say(IDC_TUNING_MESSAGE, "Applying step by step...");
    EnableWindow(GetDlgItem(dialog_, IDC_TUNING_APPLY), FALSE);
    ApplyRequest request;
    request.owner = Owner();
    request.progress = GetDlgItem(dialog_, IDC_TUNING_PROGRESS);
    request.keepSeconds = options_.keepSeconds;
    const ApplyResult result = ApplyTargets(targets, request);
    confirmedApply_ = result.kind == ApplyResult::kDone;
    ReadBoard();
    EnableWindow(GetDlgItem(dialog_, IDC_TUNING_PERMANENT), confirmedApply_);
    SendMessageA(request.progress, PBM_SETPOS, 0, 0);
    Say(IDC_TUNING_MESSAGE, result.text);
}

void TuningPage::MakePermanent() {
    if (!confirmedApply_) return;
    const int answer = MessageBoxA(
        Owner(),
        "The board will start with the clock setting in force at every power-on, before "
        "Windows and this tool run, and no countdown will put it back.\n\n"
        "If the setting is not stable, the computer may not start until the firmware's "
        "settings are cleared (see the board's manual).\n\n"
        "Store it in the firmware as the boot preset?",
        "Make permanent in firmware", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer != IDYES) {
        Say(IDC_TUNING_MESSAGE, "Nothing was stored in the firmware.");
        return;
    }
    const ApplyResult result = MakeClockPermanent();
    confirmedApply_ = false;
    EnableWindow(GetDlgItem(dialog_, IDC_TUNING_PERMANENT), FALSE);
    ReadBoard();
    Say(IDC_TUNING_MESSAGE, result.text);
}

}  // namespace kr4
