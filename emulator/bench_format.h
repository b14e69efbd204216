/* What the bench tool hands the emulator driver through the service's
   Parameters key, and what the driver publishes back. Shared by both sides;
   plain C types so that the freestanding driver can include it. */
#pragma once

#include <stdint.h>

#define KTREMU_SERVICE        L"ktremu"
#define KTREMU_DRIVER_FILE    L"ktremu.sys"
#define KTREMU_DATA_DIR       L"C:\\ktremu"
#define KTREMU_STATS_KEY      L"HARDWARE\\KtrEmulator"   /* below HKEY_LOCAL_MACHINE, volatile */
#define KTREMU_DEVICE_MAP_KEY L"HARDWARE\\DEVICEMAP\\Scsi"

/* Parameters values:
     Bench      REG_BINARY  the blob below: device map and the emulated adapters
     Status<N>  REG_DWORD   ReturnCode of a read on port N (chip code in bits 8..15)
     Length<N>  REG_DWORD   Length returned with a read on port N
     Faults<N>  REG_DWORD   fault bits of port N, read again at every request
   Images live in C:\ktremu\port<N>.img (1260 bytes).
   Counts live in HKLM\HARDWARE\KtrEmulator\Port<N>: Opens, Reads, Writes,
   Rejected (REG_DWORD), LastHeader (REG_BINARY, the first 28 bytes of the
   last request), LastInput and LastOutput (buffer lengths of the last request). */

#define KTREMU_FAULT_NO_DEVICE   0x01u  /* no \\.\ScsiN: at all (fixed at start) */
#define KTREMU_FAULT_OPEN_FAILS  0x02u  /* the device exists but \\.\ScsiN: cannot be opened (fixed at start) */
#define KTREMU_FAULT_READ_FAILS  0x04u  /* "R400" requests fail */
#define KTREMU_FAULT_WRITE_FAILS 0x08u  /* "W400" requests fail */
#define KTREMU_FAULT_DENIED      0x10u  /* every request fails with access denied, as an open without
                                           the rights would: Wine passes no failed open back */
#define KTREMU_FAULT_CHANGES     0x20u  /* another program writes the adapter right after each read:
                                           the stored image's last byte goes up by one */

#define KTREMU_BENCH_MAGIC 0x4252544Bu  /* "KTRB" */

enum {
    KTREMU_RECORD_KEY = 1,      /* payload: path (UTF-16, terminated) below the device map root */
    KTREMU_RECORD_VALUE = 2,    /* payload: KtrBenchValue, path, name, data */
    KTREMU_RECORD_ADAPTER = 3,  /* payload: KtrBenchAdapter */
};

#pragma pack(push, 1)
typedef struct KtrBenchHeader {
    uint32_t magic;
    uint32_t recordCount;
} KtrBenchHeader;

typedef struct KtrBenchRecord {
    uint16_t kind;
    uint16_t reserved;
    uint32_t size;  /* whole record, this header included */
} KtrBenchRecord;

typedef struct KtrBenchValue {
    uint32_t type;
    uint32_t pathChars;  /* terminators included */
    uint32_t nameChars;
    uint32_t dataBytes;
} KtrBenchValue;

typedef struct KtrBenchAdapter {
    uint32_t port;
    uint32_t faults;  /* used when Faults<N> is missing */
} KtrBenchAdapter;
#pragma pack(pop)

/* The request that the family's driver answers. */
#define KTREMU_IOCTL_SCSI_MINIPORT 0x0004D008u
#define KTREMU_CONTROL_CODE        0x804E5643u
#define KTREMU_HEADER_LENGTH       28u
#define KTREMU_IMAGE_LENGTH        1260u
