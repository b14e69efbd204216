#include "store/settings_transport.h"

#include <cstring>

#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/defaults.h"
#include "store/report.h"
#include "store/setting_fields.h"

DWORD requestErrors[kMaxAdapters];
bool requestWasRead[kMaxAdapters];
WriteRecorder writeRecorder;
StateKeeper stateKeeper;

namespace {

ImageLoad recordsLoad = ImageLoad::Cleared;  // how the load took the images: a new base is taken alike

// Sends the first size bytes of the request to the adapter's port device
// and takes the reply in place; false when the device cannot be opened or
// the driver fails the request.
bool SendRequest(SettingsRequest &request, int adapter, DWORD size)
{
    if (adapter < 0 || adapter >= kMaxAdapters || !deviceMaps[adapter])
        return false;
    wchar_t path[16];
    wsprintfW(path, L"\\\\.\\Scsi%d:", deviceMaps[adapter]->portNumber);
    HANDLE device = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        requestErrors[adapter] = GetLastError();
        return false;
    }
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(device, kIoctlScsiMiniport, &request, size, &request, size, &returned, nullptr);
    requestErrors[adapter] = ok ? 0 : GetLastError();
    CloseHandle(device);
    return ok != 0;
}

// Fills the header; nothing of an earlier request is carried in it.
void PrepareHeader(SettingsRequest &request, const char *signature, std::uint32_t length)
{
    request.headerLength.set(kRequestHeaderLength);
    request.signature = {};
    std::memcpy(request.signature.data(), signature, 4);
    request.timeout.set(kRequestTimeout);
    request.controlCode.set(kSettingsControlCode);
    request.returnCode.set(0);
    request.length.set(length);
}

// Zeroes bytes 0 to 7 and 10 to 13 of each of the four cleared entries. The
// windowed program keeps the load of the setup program that it replaces,
// which zeroes them after every read, so that its save writes them back
// cleared as that one always has; what they hold is not known, and nothing
// reads them. The console program edits images byte for byte and does not
// clear them (ImageLoad::Exact).
void ClearEntries(SettingsImage &image)
{
    for (ClearedEntry &entry : image.clearedEntries) {
        entry.cleared0 = {};
        entry.cleared1 = {};
    }
}

bool SendRead(SettingsRequest &request, int adapter)
{
    PrepareHeader(request, "R400", kImageSize);
    request.image = {};
    if (adapter >= 0 && adapter < kMaxAdapters)
        requestWasRead[adapter] = true;
    return SendRequest(request, adapter, sizeof(SettingsRequest));
}

// A status whose low byte is 0 (valid) or whose low nibble is 1 or 2 (invalid).
bool KnownStatus(std::uint32_t status)
{
    return (status & 0xFF) == 0 || (status & 0x0F) == 1 || (status & 0x0F) == 2;
}

// Takes a read's reply into the record as the load does: the held image
// byte for byte; the record's image as the status says, defaults standing
// in for an invalid one.
void TakeImage(AdapterRecord &record, int i, const SettingsRequest &request, ImageLoad load)
{
    std::memcpy(&heldImages[i], request.image.data(), kImageSize);
    const std::uint32_t status = request.returnCode.get();
    const auto chip = static_cast<std::uint8_t>(status >> 8);
    if ((status & 0xFF) == 0) {
        std::memcpy(&record.image, request.image.data(), kImageSize);
        record.chipType = chip;
    } else if (KnownStatus(status)) {
        record.chipType = chip;
        record.image = {};
        FillDefaultSettings(record);
        record.image.adapterFlags.set(record.image.adapterFlags.get() | kDefaultsSubstituted);
    }
    if (load == ImageLoad::Cleared)
        ClearEntries(record.image);
}

enum class Reread { Same, Taken, Merged, Failed };

// Reads the adapter again. One that no longer holds its held image was
// changed by another program: what it holds becomes the records' base, and
// the edits of this run since the last read or write go back on top of it,
// setting by setting (Merged; Taken when there were none).
Reread ReadAgain(SettingsRequest &request, int i)
{
    if (!SendRead(request, i))
        return Reread::Failed;
    if (std::memcmp(request.image.data(), &heldImages[i], kImageSize) == 0)
        return Reread::Same;
    if (!KnownStatus(request.returnCode.get()))
        return Reread::Failed;
    AdapterRecord base = savedRecords[i];
    TakeImage(base, i, request, recordsLoad);
    base.modified = 0;
    SettingsImage merged = base.image;
    const bool pending = MergeEdits(savedRecords[i].image, workingRecords[i].image, merged);
    savedRecords[i] = base;
    workingRecords[i] = base;
    workingRecords[i].image = merged;
    workingRecords[i].modified = pending ? 1 : 0;
    return pending ? Reread::Merged : Reread::Taken;
}

}  // namespace

int ReadAdapterSettings(SettingsRequest &request, int adapter)
{
    if (!SendRead(request, adapter))
        return 1;
    savedRecords[adapter].imageLength = request.length.get();
    return 0;
}

namespace {

// The bytes that a write sends: the length that the driver returned. The
// request holds one image: a longer length cannot be honoured.
std::uint32_t WriteLength(int adapter)
{
    const std::uint32_t length = savedRecords[adapter].imageLength;
    return length > kImageSize ? kImageSize : length;
}

}  // namespace

int WriteAdapterSettings(SettingsRequest &request, int adapter)
{
    if (adapter < 0 || adapter >= kMaxAdapters)
        return 1;
    const std::uint32_t length = WriteLength(adapter);
    PrepareHeader(request, "W400", length);
    requestWasRead[adapter] = false;
    return SendRequest(request, adapter, kRequestHeaderLength + length) ? 0 : 1;
}

int LoadAllAdapterSettings(int *count, ImageLoad load)
{
    recordsLoad = load;
    *count = FindAdapters();
    if (*count > kMaxAdapters)
        *count = kMaxAdapters;
    if (*count <= 0) {
        *count = 0;
        ReportWarning(IDS_NO_ADAPTER);
        return 0;
    }
    SettingsRequest request;
    for (int i = 0; i < *count; ++i) {
        if (ReadAdapterSettings(request, i) != 0) {
            ReportWarning(IDS_READ_FAILED);
            continue;
        }
        TakeImage(savedRecords[i], i, request, load);
    }
    return 1;
}

std::uint32_t ReadAdaptersAgain(std::uint32_t *merged)
{
    std::uint32_t failed = 0, pending = 0;
    SettingsRequest request;
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i) {
        if (savedRecords[i].chipType == 0)
            continue;
        const Reread got = ReadAgain(request, i);
        failed |= got == Reread::Failed ? 1u << i : 0;
        pending |= got == Reread::Merged ? 1u << i : 0;
    }
    if (merged)
        *merged = pending;
    return failed;
}

std::uint32_t SaveAllAdapterSettings(std::uint32_t *changedElsewhere)
{
    std::uint32_t unwritten = 0, changed = 0;
    SettingsRequest request;
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i) {
        if (!workingRecords[i].modified) {
            savedRecords[i] = workingRecords[i];
            continue;
        }
        const SettingsImage held = heldImages[i];
        // Kept before the read again, so that nothing comes between that read and the
        // write; when the read finds the adapter as held, it is what the read returned.
        if (stateKeeper.keep)
            stateKeeper.keep(i, held);
        const Reread got = ReadAgain(request, i);
        // The mark of substituted defaults belongs to this program, never to the adapter.
        SettingsImage sent = workingRecords[i].image;
        sent.adapterFlags.set(static_cast<std::uint16_t>(sent.adapterFlags.get() & ~kDefaultsSubstituted));
        WriteEnd end = WriteEnd::ReadFailed;
        if (got == Reread::Taken || got == Reread::Merged) {
            changed |= 1u << i;
            end = WriteEnd::ChangedElsewhere;
        } else if (got == Reread::Same) {
            const AdapterRecord before = savedRecords[i];
            savedRecords[i] = workingRecords[i];
            std::memcpy(request.image.data(), &sent, kImageSize);
            end = WriteEnd::WriteFailed;
            if (WriteAdapterSettings(request, i) == 0) {
                // Only the bytes sent went out; the rest is what the adapter held.
                std::memcpy(&heldImages[i], &sent, WriteLength(i));
                end = WriteEnd::Written;
            } else {
                // What the adapter holds is what it held before.
                savedRecords[i] = before;
            }
        }
        if (stateKeeper.settle)
            stateKeeper.settle(i, end == WriteEnd::Written);
        // Nothing is written; with nothing of this run's left to write, nothing is on record.
        if (got == Reread::Taken)
            continue;
        if (end != WriteEnd::Written)
            unwritten |= 1u << i;
        if (writeRecorder)
            writeRecorder(i, end == WriteEnd::ChangedElsewhere ? heldImages[i] : held, sent, end);
    }
    if (changedElsewhere)
        *changedElsewhere = changed;
    return unwritten;
}
