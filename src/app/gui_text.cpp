#include "app/gui_text.h"

#include "firmware/text_encoding.h"

namespace morvanex {

QString fromCp1252(std::string_view bytes)
{
    const std::string utf8 = cp1252ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toCp1252(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size();) {
        // One code point at a time, so a surrogate pair becomes a single "?".
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray utf8 = text.mid(i, length).toUtf8();
        const auto mapped =
            utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        bytes += mapped && mapped->size() == 1 ? *mapped : std::string("?");
        i += length;
    }
    return bytes;
}

} // namespace morvanex
