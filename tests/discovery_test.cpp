// Finding the tuning interface in the BIOS area on Windows 9x: which table wins, what is read
// from it, and that the scan never reads outside F0000h..FFFFFh.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "discovery.h"
#include "import_patch.h"
#include "in_process_board.h"
#include "kclk.h"
#include "library_state.h"

namespace {

using board::InProcessBoard;

// Runs first in this program: nothing has touched the library's state yet.
TEST(FreshLibrary, StateIsZeroAndTheFlagsHaveNoAnswer) {
    const kclk::LibraryState& state = kclk::State();
    EXPECT_EQ(0, state.OsKind);
    EXPECT_EQ(0, state.InterfaceMode);
    EXPECT_EQ(0, state.SmiPort);
    EXPECT_EQ(0, state.SmiCommand);
    EXPECT_EQ(0u, state.FsbDramAttributes);
    EXPECT_EQ(0u, state.AgpPciAttributes);
    EXPECT_EQ(nullptr, state.DeviceHandle);
    EXPECT_EQ(2, SupFSBShow());
    EXPECT_EQ(2, PCISupAsyMode());
}

class Discovery : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Board().Install());
        Board().PowerOn();
        kclk::State().SmiPort = 0x4444;  // to see whether discovery changes them
        kclk::State().SmiCommand = 0x44;
    }
    static InProcessBoard& Board() { return InProcessBoard::Instance(); }
};

TEST_F(Discovery, Krl4TableWinsOverClkTableWhereverBothAre) {
    Board().PlaceClkTable(0xF0100, 0x0C0C, 0xCC);      // lower address, still loses
    Board().PlaceKrl4Table(0xF8000, 0x04B2, 0xE1);
    EXPECT_EQ(4, Check_KRVer());
    EXPECT_EQ(0x04B2, kclk::State().SmiPort);
    EXPECT_EQ(0xE1, kclk::State().SmiCommand);
    EXPECT_EQ(kclk::kInterfaceKrl4, kclk::State().InterfaceMode);
    EXPECT_EQ(1, kclk::State().OsKind);
}

TEST_F(Discovery, PortIsLittleEndianAndCommandFollows) {
    Board().PlaceKrl4Table(0xF2000, 0x00B2, 0xEF);
    EXPECT_EQ(4, Check_KRVer());
    EXPECT_EQ(0x00B2, kclk::State().SmiPort);
    EXPECT_EQ(0xEF, kclk::State().SmiCommand);
}

TEST_F(Discovery, OnlyClkTableGivesThreeAndItsValues) {
    Board().PlaceClkTable(0xFA000, 0x1234, 0x56);
    EXPECT_EQ(3, Check_KRVer());
    EXPECT_EQ(0x1234, kclk::State().SmiPort);
    EXPECT_EQ(0x56, kclk::State().SmiCommand);
    EXPECT_EQ(kclk::kInterfaceClk, kclk::State().InterfaceMode);
    EXPECT_EQ(2, SupFSBShow()) << "no answer until a firmware export ran";
    uint16_t fsb = 0;
    ReturnCurrentCPUFSB(&fsb);
    EXPECT_NE(2, SupFSBShow()) << "any firmware export stores mode 4";
}

TEST_F(Discovery, NoTableGivesTwoAndKeepsPortAndCommand) {
    EXPECT_EQ(2, Check_KRVer());
    EXPECT_EQ(0x4444, kclk::State().SmiPort);
    EXPECT_EQ(0x44, kclk::State().SmiCommand);
    EXPECT_EQ(kclk::kInterfaceNone, kclk::State().InterfaceMode);
}

TEST_F(Discovery, LowestMatchWinsAndOddAddressesAreFound) {
    Board().PlaceKrl4Table(0xF9001, 0x2222, 0x22);
    Board().PlaceKrl4Table(0xF0333, 0x1111, 0x11);
    EXPECT_EQ(4, Check_KRVer());
    EXPECT_EQ(0x1111, kclk::State().SmiPort);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(0xF0333), kclk::State().SignatureAddress);
}

// The page after FFFFFh is unreadable on the board: comparing on past the end would fault.
TEST_F(Discovery, SignatureCutOffByTheEndOfTheAreaIsNoMatch) {
    Board().PlaceBytes(0xFFFFD, "$KR", 3);
    EXPECT_FALSE(kclk::SignatureScan("$KRL4"));
    EXPECT_EQ(2, Check_KRVer());
    EXPECT_TRUE(Board().FaultedBiosReads().empty());
}

TEST_F(Discovery, SignatureEndingAtTheLastByteMatches) {
    Board().PlaceBytes(0xFFFFC, "$CLK", 4);
    EXPECT_TRUE(kclk::SignatureScan("$CLK"));
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(0xFFFFC), kclk::State().SignatureAddress);
}

TEST_F(Discovery, TableWhoseValuesWouldLiePastTheAreaIsNotUsed) {
    Board().PlaceBytes(0xFFFFA, "$KRL4", 5);  // port and command would be beyond FFFFFh
    Board().PlaceClkTable(0xF5000, 0x0300, 0x30);
    EXPECT_EQ(3, Check_KRVer());
    EXPECT_EQ(0x0300, kclk::State().SmiPort);
    EXPECT_TRUE(Board().FaultedBiosReads().empty());
}

TEST_F(Discovery, FailedScanLeavesTheSignatureAddress) {
    Board().PlaceKrl4Table(0xF4000, 1, 1);
    ASSERT_TRUE(kclk::SignatureScan("$KRL4"));
    EXPECT_FALSE(kclk::SignatureScan("$RXE"));
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(0xF4000), kclk::State().SignatureAddress);
}

// Only the readability probe touches an unreadable area, and it stops at its first fault; a
// scan that went ahead would fault with nobody to catch it.
TEST_F(Discovery, UnreadableAreaHoldsNoTableAndIsNotScanned) {
    Board().PlaceKrl4Table(0xF2000, 0x00B2, 0xEF);
    Board().SetBiosReadable(false);
    EXPECT_EQ(2, Check_KRVer());
    EXPECT_EQ(0, Check_SmartFan());
    Board().SetBiosReadable(true);
    const std::vector<uintptr_t> faults = Board().FaultedBiosReads();
    EXPECT_LE(faults.size(), 3u) << "one probe for each of the three scans";
    for (uintptr_t address : faults) EXPECT_EQ(board::kBiosAreaStart, address);
}

// Whether the area is there is decided by reading it, whatever the memory manager says of it:
// Windows 9x keeps it in the shared DOS arena, which VirtualQuery need not report as committed.
SIZE_T WINAPI QueryAnsweringFailure(LPCVOID, PMEMORY_BASIC_INFORMATION, SIZE_T) { return 0; }
SIZE_T WINAPI QueryAnsweringFree(LPCVOID address, PMEMORY_BASIC_INFORMATION info, SIZE_T size) {
    if (size < sizeof(*info)) return 0;
    *info = MEMORY_BASIC_INFORMATION{};
    info->BaseAddress = const_cast<void*>(address);
    info->RegionSize = 0x10000;
    info->State = MEM_FREE;
    info->Protect = PAGE_NOACCESS;
    return sizeof(*info);
}
SIZE_T WINAPI QueryAnsweringReserved(LPCVOID address, PMEMORY_BASIC_INFORMATION info, SIZE_T size) {
    const SIZE_T answer = QueryAnsweringFree(address, info, size);
    if (answer) info->State = MEM_RESERVE;
    return answer;
}

TEST_F(Discovery, ReadableAreaIsScannedWhateverVirtualQuerySays) {
    using Query = SIZE_T(WINAPI*)(LPCVOID, PMEMORY_BASIC_INFORMATION, SIZE_T);
    const struct { Query query; const char* name; } answers[] = {
        {QueryAnsweringFailure, "VirtualQuery fails"},
        {QueryAnsweringFree, "VirtualQuery reports free memory"},
        {QueryAnsweringReserved, "VirtualQuery reports reserved memory"}};
    Board().PlaceKrl4Table(0xF2000, 0x00B2, 0xEF);
    Board().PlaceRxeTable(0xF3000, board::kDefaultFanPort);
    for (const auto& answer : answers) {
        testsupport::ImportPatch patch(nullptr, "KERNEL32.dll", "VirtualQuery",
                                       reinterpret_cast<void*>(answer.query));
        ASSERT_TRUE(patch.Active()) << "the program imports VirtualQuery";
        MEMORY_BASIC_INFORMATION seen{};
        const bool committed =
            VirtualQuery(reinterpret_cast<void*>(board::kBiosAreaStart), &seen, sizeof(seen)) != 0 &&
            seen.State == MEM_COMMIT;
        ASSERT_FALSE(committed) << answer.name << ": the patched answer is what the program sees";
        EXPECT_EQ(4, Check_KRVer()) << answer.name;
        EXPECT_EQ(0x00B2, kclk::State().SmiPort) << answer.name;
        EXPECT_EQ(1, Check_SmartFan()) << answer.name;
    }
}

TEST_F(Discovery, DirectPathDiscoveryMakesNoPortWrites) {
    Board().PlaceKrl4Table(0xF2000, 0x00B2, 0xEF);
    Check_KRVer();
    EXPECT_TRUE(Board().Writes().empty());
}

}  // namespace
