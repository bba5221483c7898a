/* kclk: the mainboard tuning library. Every export asks the board firmware's tuning handler
 * (an SMI handler) to read or change a setting; the library gives the words no meaning.
 *
 * Call Check_KRVer first: it classifies Windows, installs and opens the port driver on the NT
 * family, and finds the SMI port and command value. One calling thread at a time.
 *
 * Results: the clock, voltage and ratio exports return the firmware's status word (0 = done),
 * or 1 when the request could not be delivered; output variables are written only when the
 * request was delivered. The accelerator exports answer 1 (yes) or 0 (no). */
#ifndef KCLK_H
#define KCLK_H

#include <stdint.h>

/* OpenDriver shares its name with the multimedia driver function that <windows.h> declares
 * through mmsystem.h: included first, this header keeps that declaration out; included after
 * <windows.h>, it needs WIN32_LEAN_AND_MEAN or MMNODRV defined before it. */
#if defined(_INC_MMSYSTEM) && !defined(MMNODRV)
#error "kclk.h: define WIN32_LEAN_AND_MEAN or MMNODRV before including <windows.h>"
#endif
#ifndef MMNODRV
#define MMNODRV
#endif

#ifdef KCLK_BUILDING
#define KCLK_API
#else
#define KCLK_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Library state, discovery and driver ------------------------------------------------------- */
/* Windows kind: 1 95/98, 2 Me, 3 NT 3.51, 4 NT 4, 5 2000, 6 XP, 7/8 5.2 (64/32-bit), 0 other */
KCLK_API int32_t __cdecl ScanOSInfo(void);
/* finds the tuning interface; 4 = usable, 2 or 3 = not (call this first) */
KCLK_API int32_t __cdecl Check_KRVer(void);
/* installs and starts the port driver on the NT family; 1 = done or not needed */
KCLK_API int32_t __cdecl InitDrv(void);
/* opens \\.\GpdDev; 1 = opened, 0 after a message */
KCLK_API int32_t __cdecl OpenDriver(void);

/* Overclock support and attributes ---------------------------------------------------------- */
/* status of the support query (0 = the board supports clock tuning) */
KCLK_API uint16_t __cdecl SupOverClock(void);
/* status of the attribute query; caches the words the flags answer from */
KCLK_API uint16_t __cdecl GetOverClockAttribute(void);

/* Capability flags: 1 or 0 from the cached words, 2 while no answer is available ------------ */
/* FSB is to be shown */
KCLK_API int32_t __cdecl SupFSBShow(void);
/* FSB can be adjusted */
KCLK_API int32_t __cdecl FSBCanAdj(void);
/* FSB supports linear setting */
KCLK_API int32_t __cdecl FSBLinear(void);
/* FSB supports divider mode */
KCLK_API int32_t __cdecl FSBSupDivMode(void);
/* FSB supports asynchronous mode */
KCLK_API int32_t __cdecl FSBSupAsyMode(void);
/* DRAM clock is to be shown */
KCLK_API int32_t __cdecl SupDRAMClkShow(void);
/* DRAM clock can be adjusted */
KCLK_API int32_t __cdecl DRAMClkCanAdj(void);
/* DRAM clock supports linear setting */
KCLK_API int32_t __cdecl DRAMSupLinear(void);
/* DRAM clock supports divider mode */
KCLK_API int32_t __cdecl DRAMSupDivMode(void);
/* DRAM clock supports asynchronous mode */
KCLK_API int32_t __cdecl DRAMSupAsyMode(void);
/* DRAM clock supports relative divider mode */
KCLK_API int32_t __cdecl DRAMSupRelDivMode(void);
/* AGP clock is to be shown */
KCLK_API int32_t __cdecl SupAGPClkShow(void);
/* AGP clock can be adjusted */
KCLK_API int32_t __cdecl AGPClkCanAdj(void);
/* AGP clock supports linear setting */
KCLK_API int32_t __cdecl AGPSupLinear(void);
/* AGP clock supports divider mode */
KCLK_API int32_t __cdecl AGPSupDivMode(void);
/* AGP clock supports asynchronous mode */
KCLK_API int32_t __cdecl AGPSupAsyMode(void);
/* PCI clock is to be shown */
KCLK_API int32_t __cdecl SupPCIClkShow(void);
/* PCI clock can be adjusted */
KCLK_API int32_t __cdecl PCIClkCanAdj(void);
/* PCI clock supports linear setting */
KCLK_API int32_t __cdecl PCISupLinear(void);
/* PCI clock supports divider mode */
KCLK_API int32_t __cdecl PCISupDivMode(void);
/* PCI clock supports asynchronous mode */
KCLK_API int32_t __cdecl PCISupAsyMode(void);

/* Frequency readers: the firmware's words unchanged; 32-bit registers low half first -------- */
/* current VCO: BX, ECX, EDX, EDI (also (re)starts the driver service) */
KCLK_API uint16_t __cdecl ReturnCurrentVCOValue(uint16_t* bx, uint16_t* ecxLow, uint16_t* ecxHigh,
                                                uint16_t* edxLow, uint16_t* edxHigh,
                                                uint16_t* ediLow, uint16_t* ediHigh);
/* preset VCO selected by cx: BX, ECX, EDX */
KCLK_API uint16_t __cdecl ReturnPresetVCOValue(uint16_t cx, uint16_t* bx, uint16_t* ecxLow,
                                               uint16_t* ecxHigh, uint16_t* edxLow,
                                               uint16_t* edxHigh);
/* current CPU front-side bus */
KCLK_API uint16_t __cdecl ReturnCurrentCPUFSB(uint16_t* value);
/* current DRAM clock */
KCLK_API uint16_t __cdecl ReturnCurrentDRAMFreq(uint16_t* value);
/* preset DRAM clock */
KCLK_API uint16_t __cdecl ReturnPresetDRAMFreq(uint16_t* value);
/* current AGP clock */
KCLK_API uint16_t __cdecl ReturnCurrentAGPFreq(uint16_t* value);
/* preset AGP clock */
KCLK_API uint16_t __cdecl ReturnPresetAGPFreq(uint16_t* value);
/* current PCI clock */
KCLK_API uint16_t __cdecl ReturnCurrentPCIFreq(uint16_t* value);
/* preset PCI clock */
KCLK_API uint16_t __cdecl ReturnPresetPCIFreq(uint16_t* value);

/* Tables: one entry per call; the index goes to the firmware unchanged ---------------------- */
/* discrete FSB values */
KCLK_API uint16_t __cdecl ReturnDiscFSBTable(uint16_t index, uint16_t* entry);
/* FSB divider table */
KCLK_API uint16_t __cdecl ReturnFSBDivTable(uint16_t index, uint16_t* entry);
/* DRAM divider table */
KCLK_API uint16_t __cdecl ReturnDRAMDivTable(uint16_t index, uint16_t* entry);
/* AGP divider table */
KCLK_API uint16_t __cdecl ReturnAGPDivTable(uint16_t index, uint16_t* entry);
/* PCI divider table */
KCLK_API uint16_t __cdecl ReturnPCIDivTable(uint16_t index, uint16_t* entry);
/* FSB asynchronous table */
KCLK_API uint16_t __cdecl ReturnFSBAsyTable(uint16_t index, uint16_t* entry);
/* DRAM asynchronous table */
KCLK_API uint16_t __cdecl ReturnDRAMAsyTable(uint16_t index, uint16_t* entry);
/* AGP asynchronous table */
KCLK_API uint16_t __cdecl ReturnAGPAsyTable(uint16_t index, uint16_t* entry);
/* PCI asynchronous table */
KCLK_API uint16_t __cdecl ReturnPCIAsyTable(uint16_t index, uint16_t* entry);

/* Limits: EBX low half, EBX high half and (but for the VCO) CX ------------------------------ */
/* limit of linear mode */
KCLK_API uint16_t __cdecl ReturnLinearModeLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
/* DRAM clock limit */
KCLK_API uint16_t __cdecl ReturnDRAMLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
/* AGP clock limit */
KCLK_API uint16_t __cdecl ReturnAGPLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
/* PCI clock limit */
KCLK_API uint16_t __cdecl ReturnPCILimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
/* VCO limit (two words only) */
KCLK_API uint16_t __cdecl ReturnVCOLimit(uint16_t* ebxLow, uint16_t* ebxHigh);

/* Clock setting: the words go to the firmware unchanged; its BX answer into *result --------- */
/* tries a clock setting (operation B5h) */
KCLK_API uint16_t __cdecl SetClockProb(uint32_t ecx, uint32_t esi, uint32_t edi, uint32_t fourth,
                                       uint16_t* result);
/* applies a clock setting (operation B6h); BL of ebx is the device code on 9x */
KCLK_API uint16_t __cdecl SetClock(uint32_t ebx, uint32_t ecx, uint32_t esi, uint32_t edi,
                                   uint32_t ebp, uint16_t* result);

/* Voltages: CPU core (VID), DIMM and AGP; a support status of 0 means adjustable ------------ */
/* whether the core voltage can be changed */
KCLK_API uint16_t __cdecl GetOverVidSup(void);
/* core voltage attribute word */
KCLK_API uint16_t __cdecl GetOverVidAttrib(uint16_t* attribute);
/* current core voltage word */
KCLK_API uint16_t __cdecl GetVidCurrentVol(uint16_t* value);
/* core voltage table entry */
KCLK_API uint16_t __cdecl GetVidDiscTable(uint16_t index, uint16_t* entry);
/* sets the core voltage; the firmware's answer into *result */
KCLK_API uint16_t __cdecl SetNewVidVol(uint16_t value, uint16_t* result);
/* whether the DIMM voltage can be changed */
KCLK_API uint16_t __cdecl GetOverDIMMVolSup(void);
/* DIMM voltage attribute word */
KCLK_API uint16_t __cdecl GetDIMMOverVolAttrib(uint16_t* attribute);
/* current DIMM voltage word */
KCLK_API uint16_t __cdecl GetDIMMCurrentVol(uint16_t* value);
/* DIMM voltage table entry */
KCLK_API uint16_t __cdecl GetDIMMDiscTable(uint16_t index, uint16_t* entry);
/* sets the DIMM voltage */
KCLK_API uint16_t __cdecl SetNewDIMMOverVol(uint16_t value, uint16_t* result);
/* whether the AGP voltage can be changed */
KCLK_API uint16_t __cdecl GetOverAGPVolAGPSup(void);
/* AGP voltage attribute word */
KCLK_API uint16_t __cdecl GetAGPOverVolAGPAttrib(uint16_t* attribute);
/* current AGP voltage word */
KCLK_API uint16_t __cdecl GetAGPCurrentVol(uint16_t* value);
/* AGP voltage table entry */
KCLK_API uint16_t __cdecl GetAGPDiscTable(uint16_t index, uint16_t* entry);
/* sets the AGP voltage */
KCLK_API uint16_t __cdecl SetNewAGPOverVol(uint16_t value, uint16_t* result);

/* CPU ratio --------------------------------------------------------------------------------- */
/* whether the CPU ratio can be changed (0 = yes) */
KCLK_API uint16_t __cdecl GetCPURatioChgSup(void);
/* ratio attribute word */
KCLK_API uint16_t __cdecl GetCPURatioAttrib(uint16_t* attribute);
/* current ratio word */
KCLK_API uint16_t __cdecl GetCurrentCPURatio(uint16_t* ratio);
/* ratio table entry */
KCLK_API uint16_t __cdecl GetCPURatioDiscTable(uint16_t index, uint16_t* entry);
/* ratio limits: EBX low half, EBX high half, CX */
KCLK_API uint16_t __cdecl GetCPURatioLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
/* sets the CPU ratio */
KCLK_API uint16_t __cdecl SetNewCPURatio(uint16_t ratio, uint16_t* result);

/* North-bridge smart fan: 1 = done or usable, 0 = not; no messages -------------------------- */
/* finds the fan interface (and on 9x may adjust its control flags once) */
KCLK_API int32_t __cdecl Check_SmartFan(void);
/* puts the stored on setting in force */
KCLK_API int32_t __cdecl SF_NB_ON(void);
/* puts the stored off setting in force */
KCLK_API int32_t __cdecl SF_NB_OFF(void);

/* CPU (CIA) and memory (MIB) accelerators: 1 = the firmware performed the request, else 0 --- */
/* whether CIA is supported */
KCLK_API int32_t __cdecl GetCIASup(void);
/* CIA attribute: bit 0 of BX as 1 or 0 */
KCLK_API int32_t __cdecl GetCIAAttribute(int32_t* flag);
/* CIA status word (SI) unchanged */
KCLK_API int32_t __cdecl GetCIAStatus(uint16_t* status);
/* CIA table entry */
KCLK_API int32_t __cdecl GetCIATable(uint16_t index, uint16_t* entry);
/* sets CIA; bit 0 of the answer as 1 or 0 */
KCLK_API int32_t __cdecl SetCIAControl(uint16_t control, int32_t* flag);
/* whether MIB is supported */
KCLK_API int32_t __cdecl GetMIBSup(void);
/* MIB attribute: bit 0 of BX as 1 or 0 */
KCLK_API int32_t __cdecl GetMIBAttribute(int32_t* flag);
/* sets MIB; bit 0 of the answer as 1 or 0 */
KCLK_API int32_t __cdecl SetMIBControl(uint16_t control, int32_t* flag);

#ifdef __cplusplus
}
#endif

#endif /* KCLK_H */
