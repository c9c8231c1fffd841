#include "images/ImageFileErrors.h"

#include <cstring>

namespace {

std::string WithFile(std::string text, const QString& fileName, int line) {
  if (fileName.isEmpty()) return text;
  text += '\n';
  text += fileName.toStdString();
  if (line > 0) text += ", line " + std::to_string(line);
  return text;
}

std::string SystemErrorText(int code, const std::string& description) {
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + description;
}

}  // namespace

EHexFileError::EHexFileError(const std::string& message, const QString& fileName, int line)
    : std::runtime_error(WithFile(message, fileName, line)),
      FMessage(message),
      FFileName(fileName),
      FLine(line) {}

void RefuseNoData(const QString& FileName) { throw EHexFileError(FileMsgNoData, FileName); }

EOSError::EOSError(int code, const QString& fileName)
    : EOSError(code, std::strerror(code), fileName) {}

EOSError::EOSError(int code, const std::string& description, const QString& fileName)
    : std::runtime_error(WithFile(SystemErrorText(code, description), fileName, 0)),
      FCode(code),
      FFileName(fileName) {}
