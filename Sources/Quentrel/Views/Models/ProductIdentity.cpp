#include "ProductIdentity.h"

#include "Quentrel/Support/ProductBrand.h"
#include "Wendmark/AppVersion.h"

namespace quentrel {

ProductIdentity ProductIdentity::running() {
    return {ProductBrand::displayName(), wendmark::AppVersion::current(), wendmark::AppVersion::build()};
}

}  // namespace quentrel
