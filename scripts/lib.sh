# Shared steps of scripts/test, scripts/demo and scripts/screenshots.

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

paquetes=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libmariadb-dev mariadb-server mariadb-client googletest libgtest-dev xvfb xauth
    imagemagick clang libclang-rt-14-dev)

# Installs the Debian packages that are missing (only then, and only as root or with sudo).
instala_dependencias() {
    local faltan=()
    for p in "${paquetes[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || faltan+=("$p")
    done
    [ ${#faltan[@]} -eq 0 ] && return 0
    echo "Instalando: ${faltan[*]}"
    local sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${faltan[@]}"
}

# Configures and builds into build/ (or $ACUMULA_BUILD).
compila() {
    local dir=${ACUMULA_BUILD:-$raiz/build}
    cmake -S "$raiz" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=${ACUMULA_TIPO:-RelWithDebInfo} "$@"
    cmake --build "$dir"
}
