#pragma once
// Helpers shared by the HEX file tests: record text, files in a scratch
// directory, and exception messages.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hextest {

// One record with its checksum, upper-case, without line end.
inline std::string Record(unsigned length, unsigned offset, unsigned type,
                          const std::vector<uint8_t>& data = {}) {
  static const char* digits = "0123456789ABCDEF";
  std::string text = ":";
  unsigned sum = 0;
  auto put = [&](unsigned byte) {
    text += digits[(byte >> 4) & 0xF];
    text += digits[byte & 0xF];
    sum += byte;
  };
  put(length);
  put(offset >> 8);
  put(offset & 0xFF);
  put(type);
  for (uint8_t b : data) put(b);
  const unsigned check = (0x100 - (sum & 0xFF)) & 0xFF;
  text += digits[check >> 4];
  text += digits[check & 0xF];
  return text;
}

inline std::string DataRecord(unsigned offset, const std::vector<uint8_t>& data) {
  return Record(static_cast<unsigned>(data.size()), offset, 0, data);
}

inline const std::string EndRecord = ":00000001FF";

// One S-record of `type` with its checksum, without a line end.
inline std::string SRecord(unsigned type, uint32_t address, const std::vector<uint8_t>& data = {}) {
  static const unsigned addressBytes[10] = {2, 2, 3, 4, 2, 2, 3, 4, 3, 2};
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(addressBytes[type] + data.size() + 1)};
  for (unsigned i = addressBytes[type]; i-- > 0;)
    bytes.push_back(static_cast<uint8_t>(address >> (8 * i)));
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<uint8_t>(~sum));
  static const char* digits = "0123456789ABCDEF";
  std::string text = "S" + std::to_string(type);
  for (uint8_t b : bytes) (text += digits[b >> 4]) += digits[b & 0xF];
  return text;
}

// what() of the exception f raises, or "(no error)".
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

inline void WriteBytes(const QString& path, const std::string& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly))
    throw std::runtime_error("test: cannot write " + path.toStdString());
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

inline std::string ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "(unreadable)";
  const QByteArray all = f.readAll();
  return std::string(all.constData(), static_cast<size_t>(all.size()));
}

inline std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::vector<uint8_t> bytes(count);
  uint32_t x = seed ? seed : 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x >> 24);
  }
  return bytes;
}

}  // namespace hextest
