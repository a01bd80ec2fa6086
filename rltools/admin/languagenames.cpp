#include "languagenames.h"

namespace {

struct PrimaryName
{
    unsigned primary;
    const char16_t *name;
};

// Primary language identifiers of Windows (the LANG_ constants).
constexpr PrimaryName kNames[] = {
    {0x00, u"neutre"},     {0x01, u"arabe"},       {0x02, u"bulgare"},       {0x03, u"catalan"},
    {0x04, u"chinois"},    {0x05, u"tch\u00E8que"}, {0x06, u"danois"},       {0x07, u"allemand"},
    {0x08, u"grec"},       {0x09, u"anglais"},     {0x0A, u"espagnol"},      {0x0B, u"finnois"},
    {0x0C, u"fran\u00E7ais"}, {0x0D, u"h\u00E9breu"}, {0x0E, u"hongrois"},   {0x0F, u"islandais"},
    {0x10, u"italien"},    {0x11, u"japonais"},    {0x12, u"cor\u00E9en"},   {0x13, u"n\u00E9erlandais"},
    {0x14, u"norv\u00E9gien"}, {0x15, u"polonais"}, {0x16, u"portugais"},    {0x17, u"romanche"},
    {0x18, u"roumain"},    {0x19, u"russe"},       {0x1A, u"croate, serbe, bosnien"}, {0x1B, u"slovaque"},
    {0x1C, u"albanais"},   {0x1D, u"su\u00E9dois"}, {0x1E, u"tha\u00EF"},    {0x1F, u"turc"},
    {0x20, u"ourdou"},     {0x21, u"indon\u00E9sien"}, {0x22, u"ukrainien"}, {0x23, u"bi\u00E9lorusse"},
    {0x24, u"slov\u00E8ne"}, {0x25, u"estonien"},  {0x26, u"letton"},        {0x27, u"lituanien"},
    {0x28, u"tadjik"},     {0x29, u"persan"},      {0x2A, u"vietnamien"},    {0x2B, u"arm\u00E9nien"},
    {0x2C, u"az\u00E9ri"}, {0x2D, u"basque"},      {0x2E, u"sorabe"},        {0x2F, u"mac\u00E9donien"},
    {0x32, u"tswana"},     {0x34, u"xhosa"},       {0x35, u"zoulou"},        {0x36, u"afrikaans"},
    {0x37, u"g\u00E9orgien"}, {0x38, u"f\u00E9ro\u00EFen"}, {0x39, u"hindi"}, {0x3A, u"maltais"},
    {0x3B, u"same"},       {0x3C, u"irlandais"},   {0x3E, u"malais"},        {0x3F, u"kazakh"},
    {0x40, u"kirghiz"},    {0x41, u"swahili"},     {0x42, u"turkm\u00E8ne"}, {0x43, u"ouzbek"},
    {0x44, u"tatar"},      {0x45, u"bengali"},     {0x46, u"pendjabi"},      {0x47, u"goudjarati"},
    {0x48, u"oriya"},      {0x49, u"tamoul"},      {0x4A, u"t\u00E9lougou"}, {0x4B, u"kannada"},
    {0x4C, u"malayalam"},  {0x4D, u"assamais"},    {0x4E, u"marathi"},       {0x4F, u"sanskrit"},
    {0x50, u"mongol"},     {0x51, u"tib\u00E9tain"}, {0x52, u"gallois"},     {0x53, u"khmer"},
    {0x54, u"lao"},        {0x56, u"galicien"},    {0x57, u"konkani"},       {0x5A, u"syriaque"},
    {0x5B, u"cingalais"},  {0x5D, u"inuktitut"},   {0x5E, u"amharique"},     {0x61, u"n\u00E9palais"},
    {0x62, u"frison"},     {0x63, u"pachto"},      {0x64, u"filipino"},      {0x65, u"divehi"},
    {0x68, u"haoussa"},    {0x6A, u"yoruba"},      {0x6C, u"sotho du Nord"}, {0x6D, u"bachkir"},
    {0x6E, u"luxembourgeois"}, {0x6F, u"groenlandais"}, {0x70, u"igbo"},    {0x78, u"yi"},
    {0x7A, u"mapudungun"}, {0x7C, u"mohawk"},      {0x7E, u"breton"},        {0x80, u"ou\u00EFghour"},
    {0x81, u"maori"},      {0x82, u"occitan"},     {0x83, u"corse"},         {0x84, u"alsacien"},
    {0x85, u"iakoute"},    {0x86, u"k'iche'"},     {0x87, u"kinyarwanda"},   {0x88, u"wolof"},
    {0x8C, u"dari"},
};

} // namespace

QString LanguageLabel(unsigned languageId)
{
    const unsigned primary = languageId & 0x3FF;
    const unsigned sub = languageId >> 10;
    const QString identifiers =
        QStringLiteral("LANGUAGE ") + QString::number(primary) + QLatin1Char(' ') + QString::number(sub);
    for (const PrimaryName &n : kNames) {
        if (n.primary == primary)
            return QString::fromUtf16(n.name) + QStringLiteral(" (") + identifiers + QLatin1Char(')');
    }
    return identifiers;
}
