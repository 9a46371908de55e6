# Release builds are hardened as Debian builds its packages: fortified C library calls,
# stack protection, and a dynamic section that is read-only after loading with every symbol
# bound at the start (relro, now). _FORTIFY_SOURCE needs optimisation, so Debug builds go
# without it; the sanitizer build too, whose own checks cover more.
if(NOT PELKO_SANITIZE)
    set(PELKO_RELEASE_CONFIG "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
    # -U first: a compiler that defines _FORTIFY_SOURCE itself would warn of a redefinition.
    add_compile_options(
        "$<${PELKO_RELEASE_CONFIG}:-U_FORTIFY_SOURCE>"
        "$<${PELKO_RELEASE_CONFIG}:-D_FORTIFY_SOURCE=2>"
        "$<${PELKO_RELEASE_CONFIG}:-fstack-protector-strong>")
    add_link_options(
        "$<${PELKO_RELEASE_CONFIG}:LINKER:-z,relro>"
        "$<${PELKO_RELEASE_CONFIG}:LINKER:-z,now>")
endif()
