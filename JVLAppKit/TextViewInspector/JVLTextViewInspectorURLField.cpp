#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorURLField.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorSmallButtonField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"

#include "FoundationExtensions/JVLNSObject_Extension.h"
#include "FoundationExtensions/JVLNSStringExtension.h"

#include "kit/appkit/Beep.h"
#include "kit/appkit/Workspace.h"
#include "kit/graphics/Image.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorURLField, JVLTextViewInspectorCompoundField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.action("openURLAction", &JVLTextViewInspectorURLField::openURLAction);
}

KIT_REGISTER_CLASS(JVLTextViewInspectorEmailField, JVLTextViewInspectorURLField)
{
    c.bundle(QStringLiteral("JVLAppKit"));
    c.copyable();
    c.action("writeEmailAction", &JVLTextViewInspectorEmailField::writeEmailAction);
}

Ref<JVLTextViewInspectorURLField> JVLTextViewInspectorURLField::fieldWithTextFieldIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    auto field = makeField<JVLTextViewInspectorURLField>(identifier, QString(), nullptr);
    field->buildSubFields(JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label)));
    return field;
}

Ref<JVLTextViewInspectorEmailField> JVLTextViewInspectorEmailField::fieldWithTextFieldIdentifierPlaceholderAndLabel(
    const QString& identifier, const QString& placeholder, Ref<JVLTextViewInspectorFieldLabel> label)
{
    auto field = makeField<JVLTextViewInspectorEmailField>(identifier, QString(), nullptr);
    field->buildSubFields(JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(identifier, placeholder, std::move(label)));
    return field;
}

void JVLTextViewInspectorURLField::initWithPropertyNameOfEntity(const QString& propertyName, const EntityDescription* entity)
{
    // The compound line has no label or placeholder of its own: its text sub-field carries them.
    JVLTextViewInspectorCompoundField::initWithPropertyNameOfEntity(QString(), entity);
    buildSubFields(JVLTextViewInspectorTextField::fieldWithPropertyNameOfEntity(propertyName, entity));
    setIdentifier(propertyName);
}

void JVLTextViewInspectorURLField::buildSubFields(Ref<JVLTextViewInspectorTextField> text)
{
    addTextAndButton(std::move(text), JVLTextViewInspectorTextField::URLValidation, QStringLiteral("VisitUrlImage"), "openURLAction");
}

void JVLTextViewInspectorEmailField::buildSubFields(Ref<JVLTextViewInspectorTextField> text)
{
    addTextAndButton(
        std::move(text), JVLTextViewInspectorTextField::EMailValidation, QStringLiteral("WriteEMailImage"), "writeEmailAction");
}

void JVLTextViewInspectorURLField::addTextAndButton(Ref<JVLTextViewInspectorTextField> text, std::int32_t validation, const QString& image, const char* action)
{
    text->setShouldAppendNewline(false);
    text->setValidationMethod(validation);
    auto button = JVLTextViewInspectorSmallButtonField::fieldWithIdentifierAndLabel(QStringLiteral("button"), nullptr);
    button->setImage(Image::imageNamed(image));
    // What the button does, for its tool tip and a screen reader.
    button->view()->setToolTip(JVLNSObject_Extension::bundle(staticClass())
            ->localizedStringForKeyValueTable(QStringLiteral("JVLTextViewInspector") + QString::fromLatin1(action), QString(),
                QStringLiteral("JVLTextViewInspector")));
    button->setTarget(this);
    button->setAction(Selector(action));
    // Enabled exactly while the text is valid.
    button->bindToObjectWithKeyPathOptions(QStringLiteral("isEnabled"), text.get(), QStringLiteral("isValid"), {});
    button->setViewShouldAlwaysBeVisible(true);
    addField(text);
    addField(button);
}

void JVLTextViewInspectorURLField::bindURLFieldToObjectWithKeyPath(Object* object, const QString& keyPath)
{
    if (!allFields().empty())
        allFields().front()->bindToObjectWithKeyPathOptions(QStringLiteral("value"), object, keyPath, {});
}

bool JVLTextViewInspectorURLField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (!JVLTextViewInspectorCompoundField::shouldBeVisibleWithEditableState(editable))
        return false;
    if (editable || allFields().empty())
        return true;
    const Ref<JVLTextViewInspectorField> first = allFields().front();
    return !first->notEditableReplacementString().isEmpty() || first->valueState() != JVLNullValueState;
}

QString JVLTextViewInspectorURLField::textToOpen() const
{
    if (allFields().empty()) {
        Beep();
        return {};
    }
    const Ref<JVLTextViewInspectorField> first = allFields().front();
    Value value = first->value();
    if (first->valueState() != JVLSingleValueState) {
        Beep();
        return {};
    }
    if (value.isArray())
        value = value.array().firstObject();
    if (!value.isString() || value.stringValue().trimmed().isEmpty()) {
        Beep();
        return {};
    }
    return value.stringValue().trimmed();
}

QUrl JVLTextViewInspectorURLField::openableURLForString(const QString& text)
{
    // Model text (font metadata) is not trusted: encoded leniently, and only web and ftp schemes.
    const QString completed = JVLNSStringExtension::completedURLStringForString(text);
    const QUrl url(completed, QUrl::TolerantMode);
    static const QStringList schemes { QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ftp") };
    if (!url.isValid() || url.host().isEmpty() || !schemes.contains(url.scheme().toLower()))
        return {};
    return url;
}

void JVLTextViewInspectorURLField::openOrBeep(const QUrl& url)
{
    if (url.isValid())
        Workspace::sharedWorkspace()->openURL(url);
    else
        Beep();
}

void JVLTextViewInspectorURLField::openURLAction(Object*)
{
    if (const QString text = textToOpen(); !text.isEmpty())
        openOrBeep(openableURLForString(text));
}

QUrl JVLTextViewInspectorEmailField::mailURLForAddress(const QString& address)
{
    QString encoded;
    for (const QChar c : address) {
        if (c == u'?' || c == u'#' || c == u'&' || c == u'%' || c.isSpace())
            encoded += QString::fromLatin1(QUrl::toPercentEncoding(QString(c)));
        else
            encoded += c;
    }
    return QUrl(QStringLiteral("mailto:") + encoded, QUrl::TolerantMode);
}

void JVLTextViewInspectorEmailField::writeEmailAction(Object*)
{
    if (const QString text = textToOpen(); !text.isEmpty())
        openOrBeep(mailURLForAddress(text));
}
