#pragma once

// Value transformers turn a bound value into what the bound key wants (and back, when they allow
// it). Named transformers live in one process-wide table, with the built-in "NSNegateBoolean",
// "NSIsNil" and "NSIsNotNil".

#include "kit/core/Class.h"

namespace kit {

inline const QString NegateBooleanTransformerName = QStringLiteral("NSNegateBoolean");
inline const QString IsNilTransformerName = QStringLiteral("NSIsNil");
inline const QString IsNotNilTransformerName = QStringLiteral("NSIsNotNil");

class ValueTransformer : public Object {
    KIT_CLASS(ValueTransformer)
    // The identity, not reversible.
    virtual Value transformedValue(const Value& value) const { return value; }
    // The default raises unless allowsReverseTransformation; then it answers transformedValue.
    virtual Value reverseTransformedValue(const Value& value) const;
    virtual bool allowsReverseTransformation() const { return false; }
    // The kind the transformer produces.
    virtual Value::Kind transformedValueClass() const { return Value::Kind::Object; }

    static void setValueTransformerForName(const Ref<ValueTransformer>& transformer, const QString& name);
    // Null when no transformer has that name.
    static Ref<ValueTransformer> valueTransformerForName(const QString& name);
    static QStringList valueTransformerNames();

    // Test only: back to the built-in transformers.
    static void resetForTesting();
};

} // namespace kit
