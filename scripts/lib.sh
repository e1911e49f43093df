# Shared steps of scripts/test, scripts/demo and scripts/screenshots.

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

paquetes=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libmariadb-dev libssl-dev mariadb-server mariadb-client googletest libgtest-dev xvfb xauth
    imagemagick clang clang-format libclang-rt-14-dev qt6-translations-l10n libqt6svg6 galera-4
    mariadb-backup socat appstream dpkg-dev openssl)

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

# Fails, naming them, when clang-format (with the tree's .clang-format) would change a source.
compruebaFormato() {
    local fuentes
    if git -C "$raiz" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        mapfile -t fuentes < <(git -C "$raiz" ls-files -co --exclude-standard '*.cpp' '*.h')
    else
        mapfile -t fuentes < <(cd "$raiz" && find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
    fi
    local mal
    mal=$(cd "$raiz" && clang-format --dry-run --Werror "${fuentes[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u)
    if [ -n "$mal" ]; then
        echo "clang-format cambiaría estos archivos (aplíquelo con clang-format -i):" >&2
        echo "$mal" >&2
        return 1
    fi
}

# Configures and builds into build/ (or $ACUMULA_BUILD).
compila() {
    local dir=${ACUMULA_BUILD:-$raiz/build}
    cmake -S "$raiz" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=${ACUMULA_TIPO:-RelWithDebInfo} "$@"
    cmake --build "$dir"
}

# The demo: builds, starts the private demo server (port $ACUMULA_DEMO_PUERTO, 3392 when
# unset) with its data kept in build/demo/servidor, loads the demo data the first time (or
# always with reinicia=1), and writes the installation folder and the configuration file.
# Sets bin (build folder), programa (the executable), ini (the demo's configuration file) and
# puerto.
prepara_demo() {
    local reinicia=${1:-0}
    instala_dependencias
    compila >/dev/null
    bin=${ACUMULA_BUILD:-$raiz/build}
    programa=$bin/app/acumulapedidos
    local demo=$bin/demo
    puerto=${ACUMULA_DEMO_PUERTO:-3392}

    "$raiz/scripts/mariadb-server" start "$demo/servidor" "$puerto"

    if [ "$reinicia" = 1 ] || [ ! -f "$demo/servidor/.datos-cargados" ]; then
        "$bin/db/acumulapedidos-demodatos" --servidor 127.0.0.1 --puerto "$puerto" --empresas 3 \
            --pedidos 60 --renglones 4
        touch "$demo/servidor/.datos-cargados"
    fi

    # The installation folder of the host system, with its stored connection values. User
    # and password are left empty: the program fills them in (enciphered) on its first start.
    # Written again when the demo's port changed.
    mkdir -p "$demo/korvan" "$demo/programa"
    if ! grep -qs "^MySQLPuerto=$puerto" "$demo/korvan/korvan.krx"; then
        printf '[Instalacion]\r\nservidor=127.0.0.1\r\nMySQLServer=127.0.0.1\r\nMySQLPuerto=%s\r\nMySQLUsuario=\r\nMySQLPassword=\r\n' \
            "$puerto" >"$demo/korvan/korvan.krx"
    fi
    # The program's files are named after its executable.
    local nombre
    nombre=$(basename "$programa")
    ini=$demo/programa/$nombre.ini
    if [ ! -f "$ini" ]; then
        printf '; Configuración de la demostración\r\n[Configuración]\r\nRuta de Korvan Maestro=%s\r\nBase de datos principal=empresa1\r\n\r\n[Otras bases de datos]\r\nPara exportar pedidos=empresa2\r\nPara importar pedidos=empresa1\r\n' \
            "$demo/korvan" >"$ini"
    fi
    # A destination on the same demo server, for sending orders without a USB stick: the
    # link stays on this machine, so it goes without TLS and without the warning.
    if ! grep -qs '^\[Destino ' "$ini"; then
        printf '\r\n[Destino sucursal]\r\nServidor=127.0.0.1\r\nPuerto=%s\r\nBase de datos=empresa3\r\nUsuario=root\r\nPassword=\r\nCifrado=No\r\n' \
            "$puerto" >>"$ini"
    fi
    cp "$raiz/app/acumulapedidos.txt" "$demo/programa/$nombre.txt"
}

# True when windows can be shown: an X or Wayland display, or a Qt platform chosen by hand.
hay_pantalla() {
    [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]
}
