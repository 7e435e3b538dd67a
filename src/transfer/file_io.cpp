#include "transfer/file_io.h"

#include <QFile>
#include <QSaveFile>

namespace zem {

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error) {
  QFile file(QString::fromLocal8Bit(path.c_str()));
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString().toStdString();
    return std::nullopt;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString().toStdString();
    return std::nullopt;
  }
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
  QSaveFile file(QString::fromLocal8Bit(path.c_str()));
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString().toStdString();
    return false;
  }
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
      !file.commit()) {
    if (error) *error = file.errorString().toStdString();
    file.cancelWriting();
    return false;
  }
  return true;
}

}  // namespace zem
