#pragma once
// Raw binary files: the image's bytes and nothing else, from address 0.

#include <QString>

#include <cstddef>
#include <cstdint>

#include "images/ImageFileErrors.h"

// Reads FileName into Buffer from position 0. A file longer than Size is
// refused (EHexFileError naming both sizes and the file) and nothing is
// stored; a shorter one leaves Buffer[file length .. Size) as the caller
// filled it.
void ReadBinaryFile(const QString& FileName, uint8_t* Buffer, int32_t Size);

// The same for Length bytes of Data in memory; SourceName is named in errors.
void ReadBinaryData(const char* Data, size_t Length, uint8_t* Buffer, int32_t Size,
                    const QString& SourceName = QString());

// Writes Buffer[0 .. Size) as the file's whole contents; replaces an existing
// file only once the new one is complete, as WriteHexFile does.
void WriteBinaryFile(const QString& FileName, const uint8_t* Buffer, int32_t Size);
