#include "gallery/pages/ExtensionsPage.h"

#include "FoundationExtensions/JVLLocales.h"
#include "FoundationExtensions/JVLNSMutableAttributedStringExtensions.h"
#include "JVLAppKit/JVLImageView/JVLImageView.h"
#include "JVLAppKit/JVLPopUpButton/JVLPopUpButton.h"
#include "JVLAppKit/URLTextView.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

using kit::MakeRect;
using kit::Ref;

namespace {

// The form's label pop-up: small, unbordered, right-aligned, its arrow at the bottom.
Ref<JVLPopUpButton> extensionsLabelPopUp(kit::Rect frame)
{
    auto popUp = kit::make<JVLPopUpButton>(frame);
    auto* cell = static_cast<kit::PopUpButtonCell*>(popUp->cell().get());
    cell->setArrowPosition(kit::PopUpArrowAtBottom);
    cell->setControlSize(kit::SmallControlSize);
    popUp->setPreferredEdge(kit::MinXEdge);
    cell->setBezelStyle(kit::SmallSquareBezelStyle);
    cell->setBordered(false);
    cell->setAlignment(kit::RightTextAlignment);
    // The form sets the label font on it.
    popUp->setFont(kit::Font::labelFontOfSize(11)->qFont());
    popUp->addItemsWithTitles({ QStringLiteral("Designer:"), QStringLiteral("Manufacturer:"), QStringLiteral("Vendor:") });
    return popUp;
}

// A bordered pop-up titled by the locales' display names.
Ref<JVLPopUpButton> extensionsLocalePopUp(kit::Rect frame, const kit::Array& locales)
{
    auto popUp = kit::make<JVLPopUpButton>(frame);
    QStringList names;
    for (const kit::Value& v : locales)
        names << v.object()->valueForKey(QStringLiteral("displayName")).stringValue();
    popUp->addItemsWithTitles(names);
    return popUp;
}

void extensionsAdd(kit::View* page, const Ref<kit::View>& view)
{
    view->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(view.get());
}

// A caption above what it names, and what a screen reader calls that element.
Ref<GallerySwatch> extensionsCaption(kit::View* page, kit::Rect frame, const QString& text)
{
    auto caption = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), text);
    extensionsAdd(page, caption);
    return caption;
}

void extensionsLabel(const kit::Value& element, const Ref<GallerySwatch>& caption)
{
    kit::AccessibilitySetOverrideValueForAttribute(element, kit::Value(caption), kit::AccessibilityTitleUIElementAttribute);
}

} // namespace

kit::Ref<kit::View> makeExtensionsPage(kit::Rect frame)
{
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double top = frame.size.height - 44;

    extensionsAdd(page.get(), kit::make<GallerySwatch>(MakeRect(30, top, 600, 30), QColor(250, 250, 250), QStringLiteral("Label pop-ups of the form")));
    for (int i = 0; i < 3; ++i) {
        auto label = extensionsLabelPopUp(MakeRect(30 + i * 110, top - 30, 80, 14));
        label->selectItemAtIndex(i);
        // What each is for; its choice is what it shows.
        label->setToolTip(QStringLiteral("Label of field %1").arg(i + 1));
        extensionsAdd(page.get(), label);
    }

    const auto countries = extensionsCaption(page.get(), MakeRect(30, top - 80, 300, 24), QStringLiteral("Countries"));
    auto countryPopUp = extensionsLocalePopUp(MakeRect(30, top - 110, 260, 26), JVLCountryLocale::supportedCountryLocalesSortedByDisplayName());
    extensionsAdd(page.get(), countryPopUp);
    extensionsLabel(countryPopUp->accessibilityElement(), countries);
    const auto languages = extensionsCaption(page.get(), MakeRect(320, top - 80, 300, 24), QStringLiteral("Languages"));
    auto languagePopUp = extensionsLocalePopUp(MakeRect(320, top - 110, 260, 26), JVLLanguageLocale::supportedLanguageLocalesSortedByDisplayName());
    extensionsAdd(page.get(), languagePopUp);
    extensionsLabel(languagePopUp->accessibilityElement(), languages);

    const auto pictureCaption = extensionsCaption(page.get(), MakeRect(30, top - 160, 300, 24), QStringLiteral("Picture (click to choose another)"));
    auto picture = kit::make<JVLImageView>(MakeRect(30, top - 290, 120, 120));
    picture->setImage(kit::Image::imageWithContentsOfFile(QStringLiteral(":/Gallery/Resources/ExtensionsPicture.svg")));
    extensionsAdd(page.get(), picture);
    extensionsLabel(kit::Value(picture), pictureCaption);

    const auto linksCaption = extensionsCaption(page.get(), MakeRect(320, top - 160, 300, 24), QStringLiteral("Addresses as links"));
    auto text = kit::make<URLTextView>(MakeRect(320, top - 290, 380, 120));
    extensionsLabel(kit::Value(text), linksCaption);
    text->setEditable(false);
    text->setString(QStringLiteral("Read the notes at www.example.org or https://example.org/guide, "
                                   "fetch the files from ftp.example.org and write to mailto:help@example.org with questions."));
    JVLNSMutableAttributedStringExtensions::detectURLs(*text->textStorage(), kit::Color::blueColor());
    extensionsAdd(page.get(), text);
    return page;
}
