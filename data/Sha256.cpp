#include "data/Sha256.h"

#include "data/ErrorTransferencia.h"

#include <openssl/evp.h>

namespace transferencia {

Sha256::Sha256() : contexto_(EVP_MD_CTX_new()) {
    if (!contexto_ || EVP_DigestInit_ex(contexto_, EVP_sha256(), nullptr) != 1)
        throw ErrorTransferencia(
            QStringLiteral("No se pudo preparar la suma de comprobación del archivo."));
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(contexto_);
}

void Sha256::agrega(QByteArrayView bytes) {
    if (!bytes.isEmpty())
        EVP_DigestUpdate(contexto_, bytes.data(), std::size_t(bytes.size()));
}

QByteArray Sha256::resultado() const {
    // Finishing consumes the context: a copy is finished, so more bytes may follow.
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> copia(EVP_MD_CTX_new(),
                                                                  &EVP_MD_CTX_free);
    unsigned char salida[EVP_MAX_MD_SIZE];
    unsigned int largo = 0;
    if (!copia || EVP_MD_CTX_copy_ex(copia.get(), contexto_) != 1 ||
        EVP_DigestFinal_ex(copia.get(), salida, &largo) != 1)
        throw ErrorTransferencia(
            QStringLiteral("No se pudo calcular la suma de comprobación del archivo."));
    return QByteArray(reinterpret_cast<const char*>(salida), int(largo));
}

QByteArray Sha256::reinicia() {
    unsigned char salida[EVP_MAX_MD_SIZE];
    unsigned int largo = 0;
    if (EVP_DigestFinal_ex(contexto_, salida, &largo) != 1 ||
        EVP_DigestInit_ex(contexto_, EVP_sha256(), nullptr) != 1)
        throw ErrorTransferencia(
            QStringLiteral("No se pudo calcular la suma de comprobación del archivo."));
    return QByteArray(reinterpret_cast<const char*>(salida), int(largo));
}

} // namespace transferencia
