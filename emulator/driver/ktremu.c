// The adapter emulator: a kernel-mode driver that stands in for the family's
// adapters and their miniport driver. At start it writes the SCSI device map
// that its bench describes, as the port driver does at boot, and creates
// \\.\ScsiN: for every emulated adapter. It answers the settings requests
// strictly: anything but a well-formed "R400" or "W400" request is failed
// and counted, never trusted. Written in C: the DDK headers are C headers.
#include <ntddk.h>
#include <stdbool.h>

#include "../bench_format.h"

#define kPoolTag 0x6D45744Bu  /* 'KtEm' */
#define kMaxPorts 256

typedef struct PortDevice {
    ULONG port;
    ULONG opens, reads, writes, rejected;
} PortDevice;

static WCHAR parametersPath[512];
static PDEVICE_OBJECT devices[kMaxPorts];

// ---- small helpers: the driver links no C library ----

static void Copy(void *to, const void *from, SIZE_T n)
{
    volatile UCHAR *d = (volatile UCHAR *)(to);
    const UCHAR *s = (const UCHAR *)(from);
    for (SIZE_T i = 0; i < n; ++i)
        d[i] = s[i];
}

static void Zero(void *to, SIZE_T n)
{
    volatile UCHAR *d = (volatile UCHAR *)(to);
    for (SIZE_T i = 0; i < n; ++i)
        d[i] = 0;
}

static SIZE_T Length(const WCHAR *s)
{
    SIZE_T n = 0;
    while (s[n])
        ++n;
    return n;
}

// Appends text to a terminated buffer of `room` characters; false when it does not fit.
static bool Append(WCHAR *buffer, SIZE_T room, const WCHAR *text)
{
    SIZE_T at = Length(buffer), n = Length(text);
    if (at + n + 1 > room)
        return false;
    Copy(buffer + at, text, (n + 1) * sizeof(WCHAR));
    return true;
}

static bool AppendNumber(WCHAR *buffer, SIZE_T room, ULONG value)
{
    WCHAR digits[12];
    int n = 11;
    digits[n] = 0;
    do {
        digits[--n] = (WCHAR)(L'0' + value % 10);
        value /= 10;
    } while (value);
    return Append(buffer, room, digits + n);
}

static void Name(UNICODE_STRING *name, const WCHAR *text)
{
    name->Buffer = (PWSTR)(text);
    name->Length = (USHORT)(Length(text) * sizeof(WCHAR));
    name->MaximumLength = name->Length;
}

// ---- registry ----

static NTSTATUS OpenKey(HANDLE *key, HANDLE root, const WCHAR *path, ACCESS_MASK access)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    Name(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root, NULL);
    return ZwOpenKey(key, access, &attributes);
}

static NTSTATUS CreateVolatileKey(HANDLE *key, HANDLE root, const WCHAR *path)
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    Name(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root, NULL);
    return ZwCreateKey(key, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_VOLATILE, NULL);
}

// Creates every key of a backslash-separated path below root, volatile.
// Without a root the path starts with \Registry\Machine\.
static NTSTATUS CreateVolatilePath(HANDLE *key, HANDLE root, const WCHAR *path)
{
    static const WCHAR machine[] = L"\\Registry\\Machine\\";
    WCHAR part[256];
    HANDLE current = root;
    bool own = false;
    SIZE_T at = 0;
    if (!root) {
        const SIZE_T prefix = sizeof(machine) / sizeof(WCHAR) - 1;
        for (SIZE_T i = 0; i < prefix; ++i)
            if (path[i] != machine[i])
                return STATUS_OBJECT_PATH_INVALID;
        NTSTATUS opened = OpenKey(&current, NULL, L"\\Registry\\Machine", KEY_ALL_ACCESS);
        if (!NT_SUCCESS(opened))
            return opened;
        own = true;
        at = prefix;
    }
    NTSTATUS status = STATUS_SUCCESS;
    for (;;) {
        SIZE_T n = 0;
        while (path[at] && path[at] != L'\\') {
            if (n + 1 >= 256) {
                status = STATUS_NAME_TOO_LONG;
                break;
            }
            part[n++] = path[at++];
        }
        if (!NT_SUCCESS(status))
            break;
        part[n] = 0;
        HANDLE next;
        status = CreateVolatileKey(&next, current, part);
        if (own)
            ZwClose(current);
        if (!NT_SUCCESS(status))
            return status;
        current = next;
        own = true;
        if (!path[at])
            break;
        ++at;
    }
    if (!NT_SUCCESS(status)) {
        if (own)
            ZwClose(current);
        return status;
    }
    *key = current;
    return STATUS_SUCCESS;
}

static void DeleteTree(HANDLE key, int depth)
{
    union {
        KEY_BASIC_INFORMATION info;
        UCHAR bytes[sizeof(KEY_BASIC_INFORMATION) + 512 * sizeof(WCHAR)];
    } u;
    if (depth > 32)
        return;
    for (ULONG index = 0;;) {
        ULONG got = 0;
        if (!NT_SUCCESS(ZwEnumerateKey(key, index, KeyBasicInformation, &u, sizeof(u) - sizeof(WCHAR), &got)))
            return;
        WCHAR child[513];
        ULONG chars = u.info.NameLength / sizeof(WCHAR);
        Copy(child, u.info.Name, chars * sizeof(WCHAR));
        child[chars] = 0;
        HANDLE sub;
        if (!NT_SUCCESS(OpenKey(&sub, key, child, KEY_ALL_ACCESS | DELETE))) {
            ++index;  // cannot remove it; step over it
            continue;
        }
        DeleteTree(sub, depth + 1);
        if (!NT_SUCCESS(ZwDeleteKey(sub)))
            ++index;
        ZwClose(sub);
    }
}

static void DeleteTreeAt(const WCHAR *path)
{
    HANDLE key;
    if (NT_SUCCESS(OpenKey(&key, NULL, path, KEY_ALL_ACCESS | DELETE))) {
        DeleteTree(key, 0);
        ZwDeleteKey(key);
        ZwClose(key);
    }
}

// Reads a value of the Parameters key; returns the bytes read, or -1.
static LONG QueryParameter(const WCHAR *valueName, void *data, ULONG room)
{
    HANDLE key;
    if (!NT_SUCCESS(OpenKey(&key, NULL, parametersPath, KEY_READ)))
        return -1;
    UNICODE_STRING name;
    Name(&name, valueName);
    ULONG size = FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data) + room;
    KEY_VALUE_PARTIAL_INFORMATION *info = (KEY_VALUE_PARTIAL_INFORMATION *)(ExAllocatePoolWithTag(PagedPool, size, kPoolTag));
    LONG result = -1;
    if (info) {
        ULONG got = 0;
        if (NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, info, size, &got)) &&
            info->DataLength <= room) {
            Copy(data, info->Data, info->DataLength);
            result = (LONG)(info->DataLength);
        }
        ExFreePoolWithTag(info, kPoolTag);
    }
    ZwClose(key);
    return result;
}

static ULONG PortParameter(const WCHAR *prefix, ULONG port, ULONG fallback)
{
    WCHAR name[32] = {};
    Append(name, 32, prefix);
    AppendNumber(name, 32, port);
    ULONG value = 0;
    return QueryParameter(name, &value, sizeof(value)) == sizeof(value) ? value : fallback;
}

// Size of a value, or 0 when it is missing.
static ULONG ParameterSize(const WCHAR *valueName)
{
    HANDLE key;
    if (!NT_SUCCESS(OpenKey(&key, NULL, parametersPath, KEY_READ)))
        return 0;
    UNICODE_STRING name;
    Name(&name, valueName);
    KEY_VALUE_PARTIAL_INFORMATION probe;
    ULONG got = 0;
    NTSTATUS status = ZwQueryValueKey(key, &name, KeyValuePartialInformation, &probe, sizeof(probe), &got);
    ZwClose(key);
    if (status != STATUS_BUFFER_OVERFLOW && status != STATUS_BUFFER_TOO_SMALL && !NT_SUCCESS(status))
        return 0;
    return got > FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data)
               ? got - FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data) : 0;
}

// ---- counts published for tests and benches ----

static void Publish(PortDevice *port, const UCHAR *header, ULONG headerBytes, ULONG input, ULONG output)
{
    WCHAR path[96] = L"\\Registry\\Machine\\";
    Append(path, 96, KTREMU_STATS_KEY);
    Append(path, 96, L"\\Port");
    AppendNumber(path, 96, port->port);
    HANDLE key;
    if (!NT_SUCCESS(CreateVolatilePath(&key, NULL, path)))
        return;
    const WCHAR *names[] = {L"Opens", L"Reads", L"Writes", L"Rejected", L"LastInput", L"LastOutput"};
    ULONG values[] = {port->opens, port->reads, port->writes, port->rejected, input, output};
    for (int i = 0; i < 6; ++i) {
        UNICODE_STRING name;
        Name(&name, names[i]);
        ZwSetValueKey(key, &name, 0, REG_DWORD, &values[i], sizeof(values[i]));
    }
    if (header) {
        UNICODE_STRING name;
        Name(&name, L"LastHeader");
        ZwSetValueKey(key, &name, 0, REG_BINARY, (UCHAR *)(header), headerBytes);
    }
    ZwClose(key);
}

// ---- the adapter's non-volatile memory: one file per port ----

static void ImagePath(WCHAR *path, SIZE_T room, ULONG port)
{
    path[0] = 0;
    Append(path, room, L"\\??\\");
    Append(path, room, KTREMU_DATA_DIR);
    Append(path, room, L"\\port");
    AppendNumber(path, room, port);
    Append(path, room, L".img");
}

static NTSTATUS OpenImage(HANDLE *file, ULONG port, bool write)
{
    WCHAR path[96];
    ImagePath(path, 96, port);
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    Name(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    return ZwCreateFile(file, (write ? GENERIC_WRITE : 0) | GENERIC_READ | SYNCHRONIZE, &attributes, &io, NULL,
                        FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, write ? FILE_OPEN_IF : FILE_OPEN,
                        FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
}

// A missing or short file reads as zero bytes.
static void ReadImage(ULONG port, UCHAR *image)
{
    Zero(image, KTREMU_IMAGE_LENGTH);
    HANDLE file;
    if (!NT_SUCCESS(OpenImage(&file, port, false)))
        return;
    IO_STATUS_BLOCK io;
    LARGE_INTEGER offset;
    offset.QuadPart = 0;
    ZwReadFile(file, NULL, NULL, NULL, &io, image, KTREMU_IMAGE_LENGTH, &offset, NULL);
    ZwClose(file);
}

static NTSTATUS WriteImage(ULONG port, const UCHAR *data, ULONG length)
{
    HANDLE file;
    NTSTATUS status = OpenImage(&file, port, true);
    if (!NT_SUCCESS(status))
        return status;
    IO_STATUS_BLOCK io;
    LARGE_INTEGER offset;
    offset.QuadPart = 0;
    if (length)
        status = ZwWriteFile(file, NULL, NULL, NULL, &io, (UCHAR *)(data), length, &offset, NULL);
    ZwClose(file);
    return status;
}

// ---- requests ----

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static ULONG Field(const UCHAR *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((ULONG)(p[3]) << 24);
}

static void SetField(UCHAR *p, ULONG v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = (UCHAR)(v >> (8 * i));
}

static bool SignatureIs(const UCHAR *p, const char *four)
{
    for (int i = 0; i < 4; ++i)
        if (p[i] != (UCHAR)(four[i]))
            return false;
    return p[4] == 0;
}

static NTSTATUS Reject(PortDevice *port, PIRP irp, const UCHAR *buffer, ULONG headerBytes, ULONG input, ULONG output)
{
    ++port->rejected;
    Publish(port, buffer, headerBytes, input, output);
    return Complete(irp, STATUS_INVALID_PARAMETER, 0);
}

static NTSTATUS Settings(PortDevice *port, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG input = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG output = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *buffer = (UCHAR *)(irp->AssociatedIrp.SystemBuffer);
    ULONG faults = PortParameter(L"Faults", port->port, 0);

    const ULONG headerBytes = buffer ? (input < KTREMU_HEADER_LENGTH ? input : KTREMU_HEADER_LENGTH) : 0;
#define reject() Reject(port, irp, buffer, headerBytes, input, output)
    if (code != KTREMU_IOCTL_SCSI_MINIPORT || !buffer || input < KTREMU_HEADER_LENGTH)
        return reject();
    if (Field(buffer + 0) != KTREMU_HEADER_LENGTH || Field(buffer + 16) != KTREMU_CONTROL_CODE)
        return reject();
    const ULONGLONG stated = Field(buffer + 24);
    if (faults & KTREMU_FAULT_DENIED) {
        Publish(port, buffer, headerBytes, input, output);
        return Complete(irp, STATUS_ACCESS_DENIED, 0);
    }
    if (SignatureIs(buffer + 4, "R400")) {
        if (stated != KTREMU_IMAGE_LENGTH || input < KTREMU_HEADER_LENGTH + stated ||
            output < KTREMU_HEADER_LENGTH + KTREMU_IMAGE_LENGTH)
            return reject();
        if (faults & KTREMU_FAULT_READ_FAILS) {
            Publish(port, buffer, headerBytes, input, output);
            return Complete(irp, STATUS_IO_DEVICE_ERROR, 0);
        }
        ++port->reads;
        Publish(port, buffer, headerBytes, input, output);
        ReadImage(port->port, buffer + KTREMU_HEADER_LENGTH);
        if (faults & KTREMU_FAULT_CHANGES) {
            UCHAR *last = buffer + KTREMU_HEADER_LENGTH + KTREMU_IMAGE_LENGTH - 1;
            ++*last;
            WriteImage(port->port, buffer + KTREMU_HEADER_LENGTH, KTREMU_IMAGE_LENGTH);
            --*last;
        }
        SetField(buffer + 20, PortParameter(L"Status", port->port, 0));
        SetField(buffer + 24, PortParameter(L"Length", port->port, KTREMU_IMAGE_LENGTH));
        return Complete(irp, STATUS_SUCCESS, KTREMU_HEADER_LENGTH + KTREMU_IMAGE_LENGTH);
    }
    if (SignatureIs(buffer + 4, "W400")) {
        if (stated > KTREMU_IMAGE_LENGTH || input < KTREMU_HEADER_LENGTH + stated)
            return reject();
        if (faults & KTREMU_FAULT_WRITE_FAILS) {
            Publish(port, buffer, headerBytes, input, output);
            return Complete(irp, STATUS_IO_DEVICE_ERROR, 0);
        }
        NTSTATUS status = WriteImage(port->port, buffer + KTREMU_HEADER_LENGTH, (ULONG)(stated));
        if (NT_SUCCESS(status))
            ++port->writes;
        Publish(port, buffer, headerBytes, input, output);
        return Complete(irp, status, 0);
    }
    return reject();
#undef reject
}

static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp)
{
    PortDevice *port = (PortDevice *)(device->DeviceExtension);
    switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
    case IRP_MJ_CREATE:
        ++port->opens;
        Publish(port, NULL, 0, 0, 0);
        return Complete(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_CLOSE:
    case IRP_MJ_CLEANUP:
        return Complete(irp, STATUS_SUCCESS, 0);
    case IRP_MJ_DEVICE_CONTROL:
        return Settings(port, irp);
    default:
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

// ---- start and stop ----

static void LinkName(WCHAR *link, SIZE_T room, ULONG port)
{
    link[0] = 0;
    Append(link, room, L"\\DosDevices\\Scsi");
    AppendNumber(link, room, port);
    Append(link, room, L":");
}

static void CreateAdapter(PDRIVER_OBJECT driver, ULONG port, bool linked)
{
    if (port >= kMaxPorts || devices[port])
        return;
    WCHAR deviceName[48] = L"\\Device\\KtrEmulator";
    AppendNumber(deviceName, 48, port);
    UNICODE_STRING name;
    Name(&name, deviceName);
    PDEVICE_OBJECT device;
    if (!NT_SUCCESS(IoCreateDevice(driver, sizeof(PortDevice), &name, FILE_DEVICE_CONTROLLER, 0, FALSE, &device)))
        return;
    PortDevice *state = (PortDevice *)(device->DeviceExtension);
    Zero(state, sizeof(*state));
    state->port = port;
    WCHAR link[48];
    LinkName(link, 48, port);
    UNICODE_STRING linkName;
    Name(&linkName, link);
    if (linked && !NT_SUCCESS(IoCreateSymbolicLink(&linkName, &name))) {
        IoDeleteDevice(device);
        return;
    }
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    devices[port] = device;
    Publish(state, NULL, 0, 0, 0);
}

// Replays the bench: device map keys and values, then the adapters.
static void ApplyBench(PDRIVER_OBJECT driver, const UCHAR *blob, ULONG size)
{
    if (size < sizeof(KtrBenchHeader))
        return;
    KtrBenchHeader header;
    Copy(&header, blob, sizeof(header));
    if (header.magic != KTREMU_BENCH_MAGIC)
        return;
    HANDLE root;
    if (!NT_SUCCESS(CreateVolatilePath(&root, NULL, L"\\Registry\\Machine\\" KTREMU_DEVICE_MAP_KEY)))
        return;
    ULONG at = sizeof(header);
    for (ULONG r = 0; r < header.recordCount && at + sizeof(KtrBenchRecord) <= size; ++r) {
        KtrBenchRecord record;
        Copy(&record, blob + at, sizeof(record));
        if (record.size < sizeof(record) || record.size > size - at)
            break;
        const UCHAR *payload = blob + at + sizeof(record);
        const ULONG payloadSize = record.size - sizeof(record);
        at += record.size;
        // Texts in the blob are copied out and terminated here, whatever the blob holds.
        WCHAR path[512];
        if (record.kind == KTREMU_RECORD_KEY) {
            ULONG chars = payloadSize / sizeof(WCHAR);
            if (chars == 0 || chars > 511)
                continue;
            Copy(path, payload, chars * sizeof(WCHAR));
            path[chars] = 0;
            HANDLE key;
            if (NT_SUCCESS(CreateVolatilePath(&key, root, path)))
                ZwClose(key);
        } else if (record.kind == KTREMU_RECORD_VALUE && payloadSize >= sizeof(KtrBenchValue)) {
            KtrBenchValue value;
            Copy(&value, payload, sizeof(value));
            ULONGLONG need = sizeof(value) + ((ULONGLONG)(value.pathChars) + value.nameChars) * sizeof(WCHAR) +
                             value.dataBytes;
            if (need > payloadSize || value.pathChars == 0 || value.pathChars > 511 || value.nameChars == 0 ||
                value.nameChars > 511)
                continue;
            const UCHAR *p = payload + sizeof(value);
            Copy(path, p, value.pathChars * sizeof(WCHAR));
            path[value.pathChars - 1] = 0;
            p += value.pathChars * sizeof(WCHAR);
            WCHAR valueName[512];
            Copy(valueName, p, value.nameChars * sizeof(WCHAR));
            valueName[value.nameChars - 1] = 0;
            p += value.nameChars * sizeof(WCHAR);
            HANDLE key;
            if (NT_SUCCESS(path[0] ? CreateVolatilePath(&key, root, path) : CreateVolatileKey(&key, root, L""))) {
                UNICODE_STRING name;
                Name(&name, valueName);
                ZwSetValueKey(key, &name, 0, value.type, (UCHAR *)(p), value.dataBytes);
                ZwClose(key);
            }
        } else if (record.kind == KTREMU_RECORD_ADAPTER && payloadSize >= sizeof(KtrBenchAdapter)) {
            KtrBenchAdapter adapter;
            Copy(&adapter, payload, sizeof(adapter));
            // Wine does not hand a failed IRP_MJ_CREATE back to CreateFile, so an
            // adapter that cannot be opened is one without its \\.\ScsiN: name.
            ULONG faults = PortParameter(L"Faults", adapter.port, adapter.faults);
            if (!(faults & KTREMU_FAULT_NO_DEVICE))
                CreateAdapter(driver, adapter.port, !(faults & KTREMU_FAULT_OPEN_FAILS));
        }
    }
    ZwClose(root);
}

static void NTAPI Unload(PDRIVER_OBJECT driver)
{
    UNREFERENCED_PARAMETER(driver);
    for (ULONG port = 0; port < kMaxPorts; ++port) {
        if (!devices[port])
            continue;
        WCHAR link[48];
        LinkName(link, 48, port);
        UNICODE_STRING linkName;
        Name(&linkName, link);
        IoDeleteSymbolicLink(&linkName);
        IoDeleteDevice(devices[port]);
        devices[port] = NULL;
    }
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    SIZE_T chars = registryPath->Length / sizeof(WCHAR);
    if (chars + 12 > sizeof(parametersPath) / sizeof(WCHAR))
        return STATUS_NAME_TOO_LONG;
    Copy(parametersPath, registryPath->Buffer, chars * sizeof(WCHAR));
    parametersPath[chars] = 0;
    Append(parametersPath, 512, L"\\Parameters");

    driver->MajorFunction[IRP_MJ_CREATE] = Dispatch;
    driver->MajorFunction[IRP_MJ_CLOSE] = Dispatch;
    driver->MajorFunction[IRP_MJ_CLEANUP] = Dispatch;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Dispatch;
    driver->DriverUnload = Unload;

    DeleteTreeAt(L"\\Registry\\Machine\\" KTREMU_DEVICE_MAP_KEY);
    DeleteTreeAt(L"\\Registry\\Machine\\" KTREMU_STATS_KEY);

    ULONG size = ParameterSize(L"Bench");
    if (size) {
        UCHAR *blob = (UCHAR *)(ExAllocatePoolWithTag(PagedPool, size, kPoolTag));
        if (blob) {
            LONG got = QueryParameter(L"Bench", blob, size);
            if (got > 0)
                ApplyBench(driver, blob, (ULONG)(got));
            ExFreePoolWithTag(blob, kPoolTag);
        }
    }
    return STATUS_SUCCESS;
}
