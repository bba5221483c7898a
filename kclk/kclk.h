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

/* Library state, discovery and driver ---------------------------------------------------- */
KCLK_API int32_t __cdecl ScanOSInfo(void);   /* Windows kind 0..8; above 2 = NT family */
KCLK_API int32_t __cdecl Check_KRVer(void);  /* 4 = tuning interface usable; 2 or 3 = not */
KCLK_API int32_t __cdecl InitDrv(void);      /* install and start the port driver (NT); 0 after a message */
KCLK_API int32_t __cdecl OpenDriver(void);   /* open \\.\GpdDev; 1 = opened, 0 after a message */

/* Overclock support and attributes -------------------------------------------------------- */
KCLK_API uint16_t __cdecl SupOverClock(void);          /* status of the support query */
KCLK_API uint16_t __cdecl GetOverClockAttribute(void); /* caches the two capability words */

/* Capability flags: 0 or 1 from the cached words, 2 when no answer is available ----------- */
KCLK_API int32_t __cdecl SupFSBShow(void);
KCLK_API int32_t __cdecl FSBCanAdj(void);
KCLK_API int32_t __cdecl FSBLinear(void);
KCLK_API int32_t __cdecl FSBSupDivMode(void);
KCLK_API int32_t __cdecl FSBSupAsyMode(void);
KCLK_API int32_t __cdecl SupDRAMClkShow(void);
KCLK_API int32_t __cdecl DRAMClkCanAdj(void);
KCLK_API int32_t __cdecl DRAMSupLinear(void);
KCLK_API int32_t __cdecl DRAMSupDivMode(void);
KCLK_API int32_t __cdecl DRAMSupAsyMode(void);
KCLK_API int32_t __cdecl DRAMSupRelDivMode(void);
KCLK_API int32_t __cdecl SupAGPClkShow(void);
KCLK_API int32_t __cdecl AGPClkCanAdj(void);
KCLK_API int32_t __cdecl AGPSupLinear(void);
KCLK_API int32_t __cdecl AGPSupDivMode(void);
KCLK_API int32_t __cdecl AGPSupAsyMode(void);
KCLK_API int32_t __cdecl SupPCIClkShow(void);
KCLK_API int32_t __cdecl PCIClkCanAdj(void);
KCLK_API int32_t __cdecl PCISupLinear(void);
KCLK_API int32_t __cdecl PCISupDivMode(void);
KCLK_API int32_t __cdecl PCISupAsyMode(void);

/* Frequency readers: BX into *value; VCO registers as low half, then high half ------------ */
KCLK_API uint16_t __cdecl ReturnCurrentVCOValue(uint16_t* bx, uint16_t* ecxLow, uint16_t* ecxHigh,
                                                uint16_t* edxLow, uint16_t* edxHigh,
                                                uint16_t* ediLow, uint16_t* ediHigh);
KCLK_API uint16_t __cdecl ReturnPresetVCOValue(uint16_t cx, uint16_t* bx, uint16_t* ecxLow,
                                               uint16_t* ecxHigh, uint16_t* edxLow,
                                               uint16_t* edxHigh);
KCLK_API uint16_t __cdecl ReturnCurrentCPUFSB(uint16_t* value);
KCLK_API uint16_t __cdecl ReturnCurrentDRAMFreq(uint16_t* value);
KCLK_API uint16_t __cdecl ReturnPresetDRAMFreq(uint16_t* value);
KCLK_API uint16_t __cdecl ReturnCurrentAGPFreq(uint16_t* value);
KCLK_API uint16_t __cdecl ReturnPresetAGPFreq(uint16_t* value);
KCLK_API uint16_t __cdecl ReturnCurrentPCIFreq(uint16_t* value);
KCLK_API uint16_t __cdecl ReturnPresetPCIFreq(uint16_t* value);

/* Tables: one entry per call, index passed through unchanged ------------------------------ */
KCLK_API uint16_t __cdecl ReturnDiscFSBTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnFSBDivTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnDRAMDivTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnAGPDivTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnPCIDivTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnFSBAsyTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnDRAMAsyTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnAGPAsyTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl ReturnPCIAsyTable(uint16_t index, uint16_t* entry);

/* Limits: EBX low half, EBX high half and (but for the VCO) CX ---------------------------- */
KCLK_API uint16_t __cdecl ReturnLinearModeLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
KCLK_API uint16_t __cdecl ReturnDRAMLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
KCLK_API uint16_t __cdecl ReturnAGPLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
KCLK_API uint16_t __cdecl ReturnPCILimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
KCLK_API uint16_t __cdecl ReturnVCOLimit(uint16_t* ebxLow, uint16_t* ebxHigh);

/* Clock setting: the words go to the firmware unchanged; BX into *result ------------------ */
KCLK_API uint16_t __cdecl SetClockProb(uint32_t ecx, uint32_t esi, uint32_t edi, uint32_t fourth,
                                       uint16_t* result);
KCLK_API uint16_t __cdecl SetClock(uint32_t ebx, uint32_t ecx, uint32_t esi, uint32_t edi,
                                   uint32_t ebp, uint16_t* result);

/* Voltages: CPU core (VID), DIMM, AGP. Support queries answer 0 when adjustable ---------- */
KCLK_API uint16_t __cdecl GetOverVidSup(void);
KCLK_API uint16_t __cdecl GetOverVidAttrib(uint16_t* attribute);
KCLK_API uint16_t __cdecl GetVidCurrentVol(uint16_t* value);
KCLK_API uint16_t __cdecl GetVidDiscTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl SetNewVidVol(uint16_t value, uint16_t* result);
KCLK_API uint16_t __cdecl GetOverDIMMVolSup(void);
KCLK_API uint16_t __cdecl GetDIMMOverVolAttrib(uint16_t* attribute);
KCLK_API uint16_t __cdecl GetDIMMCurrentVol(uint16_t* value);
KCLK_API uint16_t __cdecl GetDIMMDiscTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl SetNewDIMMOverVol(uint16_t value, uint16_t* result);
KCLK_API uint16_t __cdecl GetOverAGPVolAGPSup(void);
KCLK_API uint16_t __cdecl GetAGPOverVolAGPAttrib(uint16_t* attribute);
KCLK_API uint16_t __cdecl GetAGPCurrentVol(uint16_t* value);
KCLK_API uint16_t __cdecl GetAGPDiscTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl SetNewAGPOverVol(uint16_t value, uint16_t* result);

/* CPU ratio -------------------------------------------------------------------------------- */
KCLK_API uint16_t __cdecl GetCPURatioChgSup(void);
KCLK_API uint16_t __cdecl GetCPURatioAttrib(uint16_t* attribute);
KCLK_API uint16_t __cdecl GetCurrentCPURatio(uint16_t* ratio);
KCLK_API uint16_t __cdecl GetCPURatioDiscTable(uint16_t index, uint16_t* entry);
KCLK_API uint16_t __cdecl GetCPURatioLimit(uint16_t* ebxLow, uint16_t* ebxHigh, uint16_t* cx);
KCLK_API uint16_t __cdecl SetNewCPURatio(uint16_t ratio, uint16_t* result);

/* North-bridge smart fan: 1 = done or usable, 0 = not ---------------------------------------- */
KCLK_API int32_t __cdecl Check_SmartFan(void);
KCLK_API int32_t __cdecl SF_NB_ON(void);
KCLK_API int32_t __cdecl SF_NB_OFF(void);

/* CPU (CIA) and memory (MIB) accelerators: 1 = the firmware performed it ------------------ */
KCLK_API int32_t __cdecl GetCIASup(void);
KCLK_API int32_t __cdecl GetCIAAttribute(int32_t* flag);          /* bit 0 of BX */
KCLK_API int32_t __cdecl GetCIAStatus(uint16_t* status);          /* SI, unchanged */
KCLK_API int32_t __cdecl GetCIATable(uint16_t index, uint16_t* entry);
KCLK_API int32_t __cdecl SetCIAControl(uint16_t control, int32_t* flag);
KCLK_API int32_t __cdecl GetMIBSup(void);
KCLK_API int32_t __cdecl GetMIBAttribute(int32_t* flag);
KCLK_API int32_t __cdecl SetMIBControl(uint16_t control, int32_t* flag);

#ifdef __cplusplus
}
#endif

#endif /* KCLK_H */
