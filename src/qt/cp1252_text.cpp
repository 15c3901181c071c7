#include "qt/cp1252_text.h"

#include "text/text_encoding.h"

namespace morvanex::qt {

QString fromCp1252(std::string_view bytes)
{
    const std::string text = utf8(bytes);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toCp1252(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return cp1252(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace morvanex::qt
