#include "FernholmKit/platform/SystemKeychain.h"

#include <libsecret/secret.h>

namespace fernholm {

namespace {

// Searches match the two attributes alone, not the schema name that libsecret would add: a keyring
// loaded locked from disk does not match an item's schema name, and the stored key would then
// pass for a missing one.
const SecretSchema* dataKeySchema() {
    static const SecretSchema schema = {
        "com.orvendale.tarvine.DataKey",
        SECRET_SCHEMA_DONT_MATCH_NAME,
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

// A lookup answers nothing, and no error, both when there is no item and when the only one is
// locked and its unlock prompt was dismissed or could not be shown. A search that leaves locked
// items locked tells the two apart: a locked key must never pass for a missing one, or a new key
// would be made in its place.
int32_t missingOrLocked() {
    GError* error = nullptr;
    SecretService* secrets = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    if (error != nullptr) {
        if (secrets != nullptr) {
            g_object_unref(secrets);
        }
        return failure(error);
    }
    GHashTable* attributes = secret_attributes_build(dataKeySchema(), "service", service, "account", account, nullptr);
    // Not secret_password_search_sync(): it leaks a little on every call (libsecret 0.20.5).
    GList* found = secret_service_search_sync(secrets, dataKeySchema(), attributes, SECRET_SEARCH_ALL, nullptr, &error);
    g_hash_table_unref(attributes);
    g_object_unref(secrets);
    const bool exists = found != nullptr;
    g_list_free_full(found, g_object_unref);
    if (error != nullptr) {
        return failure(error);
    }
    return exists ? keychain::interactionNotAllowed : keychain::itemNotFound;
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
        return {missingOrLocked(), std::nullopt};
    }
    gsize length = 0;
    const gchar* data = secret_value_get(value, &length);
    QByteArray bytes(data, static_cast<qsizetype>(length));
    secret_value_unref(value);
    return {keychain::success, bytes};
}

int32_t SystemKeychain::add(const QByteArray& bytes) {
    // Storing replaces a matching item; an add must not, and neither may it add a second item
    // next to a locked one.
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
