# Flags, warnings and Qt defines shared by every target of the project.
add_library(velmorand_common INTERFACE)
target_compile_features(velmorand_common INTERFACE cxx_std_20)
target_compile_options(velmorand_common INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
target_compile_definitions(velmorand_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER
  VELMORAND_VERSION="${PROJECT_VERSION}")
