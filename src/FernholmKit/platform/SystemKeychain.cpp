#include "SystemKeychain.h"

#include <libsecret/secret.h>

namespace fernholm {

namespace {

const SecretSchema* dataKeySchema() {
    static const SecretSchema schema = {
        "com.orvendale.tarvine.DataKey",
        SECRET_SCHEMA_NONE,
        {
            {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
        },
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    return &schema;
}

constexpr const char* service = "com.orvendale.tarvine";
constexpr const char* account = "data-key";

// Frees the error and answers the failure status it stands for.
int32_t failure(GError* error) {
    g_error_free(error);
    return keychain::notAvailable;
}

} // namespace

KeychainCopy SystemKeychain::copy() {
    GError* error = nullptr;
    SecretValue* value = secret_password_lookup_binary_sync(dataKeySchema(), nullptr, &error, "service", service,
                                                            "account", account, nullptr);
    if (error != nullptr) {
        if (value != nullptr) {
            secret_value_unref(value);
        }
        return {failure(error), std::nullopt};
    }
    if (value == nullptr) {
        return {keychain::itemNotFound, std::nullopt};
    }
    gsize length = 0;
    const gchar* data = secret_value_get(value, &length);
    QByteArray bytes(data, static_cast<qsizetype>(length));
    secret_value_unref(value);
    return {keychain::success, bytes};
}

int32_t SystemKeychain::add(const QByteArray& bytes) {
    // Storing replaces a matching item; an add must not.
    const KeychainCopy existing = copy();
    if (existing.status == keychain::success) {
        return keychain::duplicateItem;
    }
    if (existing.status != keychain::itemNotFound) {
        return existing.status;
    }
    SecretValue* value = secret_value_new(bytes.constData(), bytes.size(), "application/octet-stream");
    GError* error = nullptr;
    const gboolean stored =
        secret_password_store_binary_sync(dataKeySchema(), SECRET_COLLECTION_DEFAULT, "Tarvine data key", value,
                                          nullptr, &error, "service", service, "account", account, nullptr);
    secret_value_unref(value);
    if (error != nullptr) {
        return failure(error);
    }
    return stored ? keychain::success : keychain::notAvailable;
}

int32_t SystemKeychain::deleteItem() {
    GError* error = nullptr;
    const gboolean removed =
        secret_password_clear_sync(dataKeySchema(), nullptr, &error, "service", service, "account", account, nullptr);
    if (error != nullptr) {
        return failure(error);
    }
    return removed ? keychain::success : keychain::itemNotFound;
}

} // namespace fernholm
