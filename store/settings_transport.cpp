#include "store/settings_transport.h"

#include <cstring>

#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/defaults.h"
#include "store/report.h"

DWORD requestErrors[kMaxAdapters];
WriteRecorder writeRecorder;

namespace {

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
    return SendRequest(request, adapter, sizeof(SettingsRequest));
}

}  // namespace

int ReadAdapterSettings(SettingsRequest &request, int adapter)
{
    if (!SendRead(request, adapter))
        return 1;
    savedRecords[adapter].imageLength = request.length.get();
    return 0;
}

int WriteAdapterSettings(SettingsRequest &request, int adapter)
{
    if (adapter < 0 || adapter >= kMaxAdapters)
        return 1;
    // The request holds one image: a longer length from the driver cannot be honoured.
    std::uint32_t length = savedRecords[adapter].imageLength;
    if (length > kImageSize)
        length = kImageSize;
    PrepareHeader(request, "W400", length);
    return SendRequest(request, adapter, kRequestHeaderLength + length) ? 0 : 1;
}

int LoadAllAdapterSettings(int *count, ImageLoad load)
{
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
        AdapterRecord &record = savedRecords[i];
        std::memcpy(&heldImages[i], request.image.data(), kImageSize);
        const std::uint32_t status = request.returnCode.get();
        const auto chip = static_cast<std::uint8_t>(status >> 8);
        if ((status & 0xFF) == 0) {
            std::memcpy(&record.image, request.image.data(), kImageSize);
            record.chipType = chip;
        } else if ((status & 0x0F) == 1 || (status & 0x0F) == 2) {
            record.chipType = chip;
            FillDefaultSettings(record);
            record.image.adapterFlags.set(record.image.adapterFlags.get() | kDefaultsSubstituted);
        }
        if (load == ImageLoad::Cleared)
            ClearEntries(record.image);
    }
    return 1;
}

std::uint32_t SaveAllAdapterSettings(std::uint32_t *changedElsewhere)
{
    std::uint32_t unwritten = 0, changed = 0;
    SettingsRequest request;
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i) {
        const AdapterRecord before = savedRecords[i];
        savedRecords[i] = workingRecords[i];
        if (!savedRecords[i].modified)
            continue;
        // The mark of substituted defaults belongs to this program, never to the adapter.
        SettingsImage sent = savedRecords[i].image;
        sent.adapterFlags.set(static_cast<std::uint16_t>(sent.adapterFlags.get() & ~kDefaultsSubstituted));
        const SettingsImage held = heldImages[i];
        WriteEnd end = WriteEnd::ReadFailed;
        if (SendRead(request, i)) {
            if (std::memcmp(request.image.data(), &heldImages[i], kImageSize) != 0) {
                std::memcpy(&heldImages[i], request.image.data(), kImageSize);
                changed |= 1u << i;
                end = WriteEnd::ChangedElsewhere;
            } else {
                std::memcpy(request.image.data(), &sent, kImageSize);
                end = WriteEnd::WriteFailed;
                if (WriteAdapterSettings(request, i) == 0) {
                    heldImages[i] = sent;
                    end = WriteEnd::Written;
                }
            }
        }
        if (end != WriteEnd::Written) {
            // What the adapter holds is what it held before.
            savedRecords[i] = before;
            unwritten |= 1u << i;
        }
        if (writeRecorder)
            writeRecorder(i, end == WriteEnd::ChangedElsewhere ? heldImages[i] : held, sent, end);
    }
    if (changedElsewhere)
        *changedElsewhere = changed;
    return unwritten;
}
