#pragma once

#include "footer/footer_decoder.h"
#include "footer/plausibility.h"
#include "validation/firmware_lookup.h"
#include "validation/kept_images.h"
#include "validation/suggestions.h"

#include <array>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class FirmwareRecord;
class OperatorPrompts;
class Workspace;

// One line of the result list; texts are Windows-1252 bytes.
struct ResultRow
{
    std::string label;
    std::string value;
};

// The five code fields joined with one blank between neighbours, none at either end.
std::string joinFooterFields(const std::array<std::string, groupCount>& fields);
// The fields a stored code restores: each group from its fixed place, whatever stands between them;
// a value cut short gives only the characters it has.
std::array<std::string, groupCount> splitFooterString(std::string_view value);

// The nine rows shown for a confirmed document: the decoder's fields and the chosen firmware's.
std::vector<ResultRow> resultRows(const FooterDecoder& decoder, const FirmwareRecord& firmware);
// Their two parts: the document's four rows and the firmware's five.
std::vector<ResultRow> documentRows(const FooterDecoder& decoder);
std::vector<ResultRow> firmwareRows(const FirmwareRecord& firmware);

// The description of the image file the catalogue dialogs show: the first row naming exactly fileName
// (byte for byte, letter case significant), nothing when none does.
const FirmwareRecord* describedFirmware(const FirmwareCatalogue& catalogue, std::string_view fileName);
// Its five rows: file, model, version, brand and the byte sum shown to the operator.
std::vector<ResultRow> descriptionRows(const FirmwareRecord& firmware);

// The operator's message for a failed decode (Windows-1252), empty for Valid.
std::string failureMessage(ValidationStatus status);
// What the not-found message adds when approved images could not be read (Windows-1252).
std::string unreadableImagesNote(const std::vector<ImageReadFailure>& images);
// The message when the operator does not confirm the CNPJ.
std::string rejectedCnpjMessage();

// What a check is asked with beyond the code, by a caller that answers for the operator.
struct CheckOptions
{
    int row = -1; // the catalogue row to take when several match the code's checksum; -1 takes none
    std::optional<std::string> expectedCnpj; // the CNPJ printed on the document; another is CnpjMismatch
};

// What a check concludes of a code, for a caller that answers for the operator. The first four are
// the decode's own statuses.
enum class Verdict {
    Valid,
    InvalidString,
    FirmwareNotFound,
    ChecksumMismatch,
    Ambiguous,      // several rows carry the code's checksum and none was given
    CnpjMismatch,   // the decoded CNPJ is not the expected one
    Implausible,    // the code decodes, but a field digit lies outside what a genuine printer makes
    ImageUnreadable // no readable row carries the checksum while some image could not be read: no verdict
};

// "Valid", "InvalidString", ..., "ImageUnreadable".
std::string_view verdictName(Verdict verdict);

// A code checked against the catalogue: the decoder's fields as the decode left them, and the row
// the lookup settled on.
struct CodeCheck
{
    FooterDecoder decoder;
    ValidationStatus status = ValidationStatus::InvalidString;
    // Set by check with options; the desktop's validation leaves it to the operator.
    Verdict verdict = Verdict::InvalidString;
    int row = -1; // -1 when no row was settled on
    // For Ambiguous: the rows that carry the code's checksum, in catalogue order.
    std::vector<int> candidates;
    // For Implausible: the fields out of range, in code order.
    std::vector<FooterField> implausibleFields;
    // The settled row's image is named but could not be opened, read or held in memory.
    std::optional<ImageReadFailure> imageFailure;
    // For FirmwareNotFound when no readable row carries the code's checksum: the rows whose image
    // could not be read while the catalogue loaded. The code may be genuine and its image unreadable.
    std::vector<ImageReadFailure> unreadableImages;
    // Why an InvalidString is one, where more can be said than that it is malformed; English.
    std::string reason;
};

// A code too long to be kept whole: kept is its start, and charactersCut counts the characters that
// followed it up to the last one that is not a blank. InvalidString, the reason counting them all.
CodeCheck overlongCode(std::string_view kept, std::size_t charactersCut);

struct ValidationResult
{
    ValidationStatus status = ValidationStatus::InvalidString;
    bool confirmed = false;       // the operator confirmed the CNPJ
    int row = -1;                 // the catalogue row this validation's decode chose
    std::vector<ResultRow> rows;  // filled only when confirmed
    std::vector<ImageReadFailure> unreadableImages; // as CodeCheck has them
    // After a failure: the code one edit away that the operator chose to put in the fields.
    std::optional<std::string> suggestedCode;
    // A code that decoded Valid, whatever the operator then answered: the decode's fields.
    std::optional<FooterDecoder> decoded;
};

// Validating codes against one catalogue, for every front end: check decodes a code, finds the
// image its checksum names (the operator chooses among several rows), checks the image's CRC-16,
// derives the key and deciphers the CNPJ; validateFooter adds what the operator sees.
class ValidationFlow
{
public:
    ValidationFlow(FirmwareCatalogue& catalogue, const Workspace& workspace, OperatorPrompts& prompts);

    ValidationFlow(const ValidationFlow&) = delete;
    ValidationFlow& operator=(const ValidationFlow&) = delete;

    // From now on images are kept prepared between codes, as a batch wants; by default each code reads
    // its image afresh and nothing is kept.
    void keepImages(std::size_t byteBound = keptImageBound);
    // The same in a store that flows on other threads share, so that they keep one copy of an image.
    void keepImages(KeptImageStore& shared);
    // The codes from now on came together: with kept images, they may share a look at an image file
    // (KeptImages::beginGroup).
    void beginGroup()
    {
        if (m_kept)
            m_kept->beginGroup();
    }

    // A check for a caller that answers for the operator: several matching rows take options.row when
    // it is one of them (else Ambiguous), a decoded code is judged plausible and its CNPJ compared with
    // options.expectedCnpj; the verdict says what came of it. Nothing is asked of the operator.
    CodeCheck check(std::string_view code, const CheckOptions& options);
    // The codes one edit away that decode Valid and plausible, ranked (findSuggestions), every row of
    // their checksum tried, as for the desktop's operator, who chooses among them; nothing once stop
    // is requested. Uses the images kept for a batch, otherwise prepares the images of this search for
    // it alone, one at a time. Without kept images it reads the catalogue's rows and the workspace and
    // nothing else (not selectedIndex, not the prompts, not the lookup of check): it may run on a
    // worker thread while this flow checks and validates on another, as long as the flow, the
    // catalogue and the workspace outlive it and keepImages is not called meanwhile. With kept images
    // it uses them, and runs only on the thread that checks.
    std::vector<Suggestion> suggest(std::string_view code, std::stop_token stop = {});
    // The same for a caller that answers for the operator: only codes that check Valid under options,
    // a checksum of several rows counting only with options.row among them, the CNPJ deciphered being
    // options.expectedCnpj when given.
    std::vector<Suggestion> suggest(std::string_view code, const CheckOptions& options,
                                    std::stop_token stop = {});
    // The desktop's validation: a failed decode as its message, otherwise the CNPJ question and, on
    // confirmation, the result rows. After any failure message, the operator may take a suggested
    // code. Messages are captioned appName.
    ValidationResult validateFooter(std::string_view footerString, std::string_view appName);
    // Its two steps: all but the suggestions; then, after a failure, the codes one edit away offered
    // to the operator, and the one taken. A caller that searched for them itself offers what it found.
    ValidationResult confirmFooter(std::string_view footerString, std::string_view appName);
    std::optional<std::string> offerSuggestions(std::string_view code);
    std::optional<std::string> offerSuggestions(std::span<const Suggestion> suggestions);

    const FirmwareCatalogue& catalogue() const { return m_catalogue; }

private:
    // The decode and lookup that every check shares; the choice among several rows as the lookup
    // is told to make it.
    CodeCheck decode(std::string_view code);
    std::vector<ImageReadFailure> unreadableImagesFor(const FooterDecoder& decoder) const;
    std::vector<Suggestion> suggest(std::string_view code, const SuggestionRules& rules,
                                    std::stop_token stop);

    FirmwareCatalogue& m_catalogue;
    const Workspace& m_workspace;
    OperatorPrompts& m_prompts;
    FirmwareLookup m_lookup;
    std::optional<KeptImages> m_kept;
};

// One desktop validation with a flow of its own.
ValidationResult validateFooter(std::string_view footerString, FirmwareCatalogue& catalogue,
                                const Workspace& workspace, OperatorPrompts& prompts, std::string_view appName);

} // namespace morvanex
