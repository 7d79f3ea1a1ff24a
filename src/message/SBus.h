#pragma once

// Every number spoken on the message bus: receiver ids, message types, preset
// holder ids and the commands a holder answers. Plain enums so that they pass
// straight to SendSMessage and friends and compare with QEvent::type().
namespace SBus {

// Objects registered under an id (RegisterReceiver).
enum Receiver {
    MainWindow = 1000,
    PresetStore = 1001,
    RegionPage = 1004,
    // Addressed by the decoder (block and target values) and by the region
    // model (silent regions); nothing registers under them.
    DecoderUnrouted = 1006,
    ModelUnrouted = 1007,
    ThresholdPage = 1008,
};

// Message types; first and second word as noted.
enum Message {
    // Region id; address of the dose rate (float, µRad/h).
    RegionReading = 1002,
    // Item id; raw 24-bit value.
    RawReading = 1003,
    // Block-frame value and target-dose value pairs: id; word.
    BlockValue = 1004,
    TargetValue = 1005,
    // Address of a NUL-terminated text.
    StatusText = 1016,
    ShowSecondLine = 1017,
    HideSecondLine = 1018,
    SecondText = 1019,
    MinuteTick = 1020,
    // Device id (0 for all); threshold value.
    SendThreshold = 1026,
    StartRequestTimer = 1027,
    // Result code; detail.
    CommandResult = 1028,
    // Region id; nothing receives it.
    RegionSilent = 1032,
    // Device id of an alarm-threshold notice.
    ThresholdNotice = 1034,
    // Broadcast: devices or settings changed.
    ReloadAfterDeviceUpdate = 1035,
    // Broadcast: thresholds or curve colours changed.
    ReloadThresholds = 1036,
    // Sent to the main window by pages; accepted there with no effect.
    PageNoticeA = 1021,
    PageNoticeB = 1023,
    PageNoticeC = 1030,
    DeviceSearchStarted = 1037,
    DevicePickerClosed = 1038,
};

// The types the main window and the pages consume; others take the ordinary
// QEvent road.
enum AcceptedRange { FirstAccepted = 1001, LastAccepted = 1038 };

constexpr bool IsAccepted(int nType)
{
    return nType >= FirstAccepted && nType <= LastAccepted;
}

// Holder ids: the message type of a request to the preset store.
enum Holder {
    RegionList = 1512,
    PersonalList = 1513,
    NetServer = 1514,
    ComServer = 1515,
    CurveColours = 1516,
    ServerConnection = 1517,
    RoutingStaffList = 1518,
    RoutingRoomList = 1519,
};

// The store looks up any type from the first holder-capable id to the last
// event type Qt allows; an id with no holder answers 0.
enum StoreRange { FirstStoreType = 1001, LastStoreType = 65534 };

// Commands every holder answers (first word; the result is the reply word).
enum HolderCommand {
    CmdSave = 0, // write the local file; 1 on success
    CmdLoad = 10, // local file, else factory file; 1 on success
    CmdLoadFactory = 11, // factory file only; 1 on success
    CmdSignature = 14, // holder id + 9191
    CmdSetLocalDirectory = 17, // argument: UTF-8 text; 1
    CmdRestore = 18, // load, rewriting a missing or factory copy
};

// Commands of the list holders (region, personal, routing staff and rooms).
enum ListCommand {
    CmdCount = 1,
    CmdSetCount = 2,
    CmdCopyRecord = 3, // argument: record copied into the last entry
    CmdRecordAddress = 5,
    CmdNameTable = 6,
    CmdIsIndex = 7, // 1 when the argument is an entry index
    CmdAppendName = 8, // argument: UTF-16 name; raises the count
    CmdRemove = 9,
    CmdNameAddress = 12,
    CmdClear = 13,
    CmdFreeValue = 15,
    CmdSetFreeValue = 16,
};

// Field commands of the list records: words of a region record at offsets
// 0, 4, 8, 12 and 16; of a personal record the word at 0, the address of the
// 64-byte field at 8, the word at 72 and the word at 4.
enum FieldCommand {
    CmdRegionWord0 = 20,
    CmdRegionWord4 = 21,
    CmdRegionWord8 = 22,
    CmdRegionWord12 = 23,
    CmdRegionWord16 = 24,
    CmdPersonalWord0 = 20,
    CmdPersonalText8 = 21,
    CmdPersonalWord72 = 22,
    CmdPersonalWord4 = 23,
};

// Commands of the network server and server connection holders; the float
// settings (network server only) are read by address and written from one.
enum ServerCommand {
    CmdAddress = 20,
    CmdPort = 21,
    CmdSetPort = 22,
    CmdSetting0 = 23,
    CmdSetSetting0 = 24,
    CmdSetting1 = 25,
    CmdSetSetting1 = 26,
    CmdSetting2 = 27,
    CmdSetSetting2 = 28,
    CmdSetSetting3 = 29,
    CmdSetting3 = 30,
    CmdSetSetting4 = 31,
    CmdSetting4 = 32,
};

// Holders of plain integer items (serial-port server, curve colours): item k
// is set by CmdSetItem0 + 2k and answered by CmdItem0 + 2k.
enum ItemCommand { CmdSetItem0 = 20, CmdItem0 = 21 };

} // namespace SBus
