// The codes of the output channel's vocabulary, each named after the text that the channel writes
// for it (MOutputChannel::Error, Warning and Event). Every error and warning code has a name; of
// the events, the machine events have one, the keypad keys (17 to 96) keep their numbers.
#pragma once

#include <cstdint>

// Errors: error "<text>".
inline constexpr uint32_t kMErrorSyntaxInvalid = 1;
inline constexpr uint32_t kMErrorMissingArgument = 2;
inline constexpr uint32_t kMErrorInvalidArgument = 3;
inline constexpr uint32_t kMErrorInvalidAxis = 4;
inline constexpr uint32_t kMErrorUnknownAxis = 5;
inline constexpr uint32_t kMErrorNoAxisSpecified = 6;
inline constexpr uint32_t kMErrorUnknownComponent = 7;
inline constexpr uint32_t kMErrorInvalidComponent = 8;
inline constexpr uint32_t kMErrorArgumentOutOfRange = 9;
inline constexpr uint32_t kMErrorAborted = 10;
inline constexpr uint32_t kMErrorTransactionIdMissing = 11;
inline constexpr uint32_t kMErrorTransactionIdInvalid = 12;
inline constexpr uint32_t kMErrorTransactionIdUnused = 13;
inline constexpr uint32_t kMErrorTransactionCommandInvalid = 14;  // "... missing or invalid"
inline constexpr uint32_t kMErrorCommandUnknown = 15;             // "transaction: command unknown"
inline constexpr uint32_t kMErrorInternal = 16;
inline constexpr uint32_t kMErrorNotImplemented = 17;
inline constexpr uint32_t kMErrorWrongState = 18;
inline constexpr uint32_t kMErrorCommandAlreadyActive = 19;
inline constexpr uint32_t kMErrorUndefinedProbesystem = 20;
inline constexpr uint32_t kMErrorUndefinedProbesystemId = 21;
inline constexpr uint32_t kMErrorProbesystemNotLoaded = 22;
inline constexpr uint32_t kMErrorProbesystemNotSupported = 23;
inline constexpr uint32_t kMErrorProbesystemAlreadyDefined = 24;
inline constexpr uint32_t kMErrorUnknownProbesystem = 25;
inline constexpr uint32_t kMErrorUndefinedProbe = 26;
inline constexpr uint32_t kMErrorUndefinedTip = 27;
inline constexpr uint32_t kMErrorInvalidProbeNumber = 28;
inline constexpr uint32_t kMErrorInvalidTipNumber = 29;
inline constexpr uint32_t kMErrorTipAlreadyDefined = 30;
inline constexpr uint32_t kMErrorCannotDeleteActiveProbe = 31;
inline constexpr uint32_t kMErrorProbeAlreadyLoaded = 32;
inline constexpr uint32_t kMErrorProbeAlreadyUnloaded = 33;
inline constexpr uint32_t kMErrorProbeNotInMagazine = 34;
inline constexpr uint32_t kMErrorProbeNotLoaded = 35;
inline constexpr uint32_t kMErrorNoProbeChanger = 36;
inline constexpr uint32_t kMErrorInvalidMagazineSlot = 37;
inline constexpr uint32_t kMErrorSlotAlreadyFree = 38;
inline constexpr uint32_t kMErrorSlotAlreadyInUse = 39;
inline constexpr uint32_t kMErrorProbeInDifferentSlot = 40;
inline constexpr uint32_t kMErrorTooManyPoints = 41;
inline constexpr uint32_t kMErrorProbeNoContact = 42;
inline constexpr uint32_t kMErrorMachineEmergency = 43;
inline constexpr uint32_t kMErrorMachineNotInitialized = 44;
inline constexpr uint32_t kMErrorBufferOverrun = 45;
inline constexpr uint32_t kMErrorKeypadEnabled = 46;
inline constexpr uint32_t kMErrorKeypadDisabled = 47;
inline constexpr uint32_t kMErrorCannotAccessSharedMemory = 48;
inline constexpr uint32_t kMErrorSharedMemoryTooSmall = 49;
inline constexpr uint32_t kMErrorNoImagefifoActive = 50;

// Warnings: warning "<text>".
inline constexpr uint32_t kMWarningMachineEmergency = 10000;
inline constexpr uint32_t kMWarningMachineNotInitialized = 10001;
inline constexpr uint32_t kMWarningArgumentOutOfRange = 10002;
inline constexpr uint32_t kMWarningAmbiguousTip = 10003;  // "ambiguous tip, using first"
inline constexpr uint32_t kMWarningNoEffect = 10004;      // "operation with no effect"

// Machine events: event "<text>". The channel defers the two "changed" events (see Event).
inline constexpr int32_t kMEventCapabilitiesChanged = 1;
inline constexpr int32_t kMEventKeypadChanged = 2;
inline constexpr int32_t kMEventMeasurementBegin = 3;
inline constexpr int32_t kMEventPreviewBegin = 4;
inline constexpr int32_t kMEventProbesystemChanged = 5;
inline constexpr int32_t kMEventProbeLoaded = 6;
inline constexpr int32_t kMEventProbeUnloaded = 7;
inline constexpr int32_t kMEventMachineChanged = 8;
inline constexpr int32_t kMEventProbeContact = 9;
inline constexpr int32_t kMEventProbeContactLost = 10;
inline constexpr int32_t kMEventMovementBegin = 11;
inline constexpr int32_t kMEventMovementEnd = 12;
inline constexpr int32_t kMEventMeasurementEnd = 13;
inline constexpr int32_t kMEventKeypadEnabled = 14;
inline constexpr int32_t kMEventKeypadDisabled = 15;
inline constexpr int32_t kMEventMaintenanceRateExceeded = 16;  // "service: maintenance rate exceeded"
