#include "vb/Error.h"

#include "vb/Encoding.h"

#include <cerrno>

namespace vb {

const char* Error::what() const noexcept {
    if (what_.empty()) {
        what_ = std::to_string(number_) + ": " + ToUtf8(description_);
    }
    return what_.c_str();
}

String DescriptionOf(std::int32_t number) {
    switch (number) {
    case err::InvalidCall:
        return u"Argument ou appel de procédure incorrect";
    case err::Overflow:
        return u"Dépassement de capacité";
    case err::OutOfMemory:
        return u"Mémoire insuffisante";
    case err::SubscriptOutOfRange:
        return u"L'indice n'appartient pas à la sélection";
    case err::TypeMismatch:
        return u"Incompatibilité de type";
    case err::BadFileNameOrNumber:
        return u"Nom ou numéro de fichier incorrect";
    case err::FileNotFound:
        return u"Fichier introuvable";
    case err::FileAlreadyOpen:
        return u"Fichier déjà ouvert";
    case err::DeviceIo:
        return u"Erreur d'entrée/sortie de périphérique";
    case err::DiskFull:
        return u"Disque plein";
    case err::PermissionDenied:
        return u"Permission refusée";
    case err::PathFileAccess:
        return u"Erreur d'accès au chemin/fichier";
    case err::PathNotFound:
        return u"Chemin d'accès introuvable";
    case err::ObjectNotSet:
        return u"Variable objet ou variable de bloc With non définie";
    case err::InvalidUseOfNull:
        return u"Utilisation incorrecte de Null";
    case err::ControlArrayElementMissing:
        return u"L'élément de groupe de contrôles n'existe pas";
    case err::ObjectAlreadyLoaded:
        return u"Objet déjà chargé";
    case err::InvalidPropertyValue:
        return u"Valeur de propriété non valide";
    case err::ObjectDoesNotSupport:
        return u"Cet objet ne gère pas cette propriété ou cette méthode";
    default:
        return u"Erreur définie par l'application ou par l'objet";
    }
}

void Raise(std::int32_t number, String source) {
    throw Error(number, DescriptionOf(number), std::move(source));
}

Error FromErrno(int errnoValue, std::int32_t missing) {
    std::int32_t number = err::PathFileAccess;
    switch (errnoValue) {
    case ENOENT:
        number = missing;
        break;
    case ENOTDIR:
    case ELOOP:
        number = err::PathNotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        number = err::PermissionDenied;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        number = err::DiskFull;
        break;
    case EIO:
        number = err::DeviceIo;
        break;
    case ENOMEM:
        number = err::OutOfMemory;
        break;
    case ENAMETOOLONG:
        number = err::BadFileNameOrNumber;
        break;
    default:
        break;
    }
    return Error(number, DescriptionOf(number));
}

} // namespace vb
