#pragma once
// Motorola S-record files.
//
// Read: S0 (header, ignored), S1/S2/S3 data with 16-, 24- and 32-bit
// addresses, S5/S6 record counts (checked in full against the data records
// read so far), S7/S8/S9 ends (which end reading; their start address is
// ignored). Every record's checksum is checked; records may be separated by
// CR and LF in any number. The end record is optional (srec_cat writes none
// when it has no start address): the end of the text after a whole record
// ends reading too, while a record cut short is "Unexpected Eof!". Errors
// are the fixed texts of the HEX reader with the file and line.
//
// Written: an S0 header, 16 data bytes per record in S1, S2 or S3 (the
// smallest that holds the highest address), an S5 or S6 count and the
// matching S9, S8 or S7 end, CR LF after every record.

#include <QString>

#include <cstddef>
#include <cstdint>

#include "images/ImageFileErrors.h"
#include "images/RecordSink.h"

// Reads the S-record file FileName into Buffer[0 .. Size). Bytes no data
// record covers are left as they were. On an error the bytes of earlier
// records stay in the buffer (a record whose checksum fails is not stored);
// nothing is ever written outside it.
void ReadSRecordFile(const QString& FileName, uint8_t* Buffer, int32_t Size);

// The same for S-record text in memory; SourceName is named in errors.
void ReadSRecordText(const char* Text, size_t Length, uint8_t* Buffer, int32_t Size,
                     const QString& SourceName = QString());

// The records of Text into Sink, which places every data record.
void ParseSRecords(const char* Text, size_t Length, const QString& SourceName, TRecordSink& Sink);

// Writes Buffer[0 .. Size) as an S-record file; replaces an existing file
// only once the new one is complete, as WriteHexFile does.
void WriteSRecordFile(const QString& FileName, const uint8_t* Buffer, int32_t Size);
