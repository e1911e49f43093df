#include "app/Comandos.h"
#include "data/LectorTransferencia.h"
#include "export/Exportacion.h"
#include "support/DiscoPequeno.h"
#include "support/ServidorPruebas.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using exportacion::EscribeArchivo;
using pruebas::BaseEmpresa;

namespace {

QByteArray contenido(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no existe>");
}

QByteArray ansi(const char* utf8) {
    return QString::fromUtf8(utf8).toLatin1(); // the texts below hold only Latin-1 letters
}

// Order 10 (with customer C1 and one line) and order 11 (customer X9 does not exist, no
// lines), with the bytes the writer must give for them.
void conDosPedidos(BaseEmpresa& b) {
    auto& c = b.conexion();
    c.ejecuta(QString::fromUtf8(
        "INSERT INTO pedidos (Id,Factura,Serie,Cliente,Fecha,Vence,Nombre,Telefono,Domicilio,CP,"
        "Colonia,Ciudad,Estado,RFC,Descuento,Subtotal,IVA,ImpuestoAd,Desc1,Desc2,Desc3,NotaF1,"
        "Nota,Moneda,Paridad,Vendedor,Comision,Usuario,Pagos,Afectada,Cancelada,Capturado) "
        "VALUES (10,7,'A','C1','2026-01-05','2026-02-04','Peña \"El Güero\"','81-1234567',"
        "'Av. Juárez 1','64000','Centro','Monterrey','Nuevo León','XAXX010101000',0,100.5,"
        "16.08,0,0,0,0,'Nota \"uno\"','Texto','MN',1,'V1',2.5,'admin',0,1,0,"
        "'2026-01-05 09:30:00')"));
    c.ejecuta(QStringLiteral("INSERT INTO pedidos (Id,Factura,Serie,Cliente,Fecha) "
                             "VALUES (11,8,'','X9','2026-01-06')"));
    c.ejecuta(QString::fromUtf8("INSERT INTO clientes (Clave,Nombre,Atencion,Telefono2,Telefono4,"
                                "Precio) VALUES ('C1','Peña','Sr. Gómez','81-2','',3)"));
    c.ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id,Partida,Producto,Descripcion,"
                             "Cantidad,PrecioBruto,PrecioNeto,Moneda,IVA,Pedido,NotaRenglon) "
                             "VALUES (10,1,'P1','Tornillo 1/2\"',3,10.5,9,'MN',16,3,'Entregar')"));
}

const QByteArray encabezado10 = ansi(
    "\"M\",7,\"A\",\"C1\",\"05/ene/2026\",\"04/feb/2026\",\"Peña 'El Güero'\",\"81-1234567\","
    "\"Av. Juárez 1\",\"64000\",\"Centro\",\"Monterrey\",\"Nuevo León\",\"XAXX010101000\",0.00,"
    "100.50,16.08,0.00,0.00,0.00,0.00,\"Nota 'uno'\",#NULL#,#NULL#,#NULL#,#NULL#,\"Texto\","
    "\"MN\",1.0000,\"V1\",2.50,\"admin\",0.00,#TRUE#,#FALSE#,\"Sr. Gómez\",\"81-2\",#NULL#,"
    "\"\",3\r\n");
const QByteArray renglon10 =
    "\"D\",1,\"P1\",\"Tornillo 1/2'\",3.0000,10.5000,9.0000,#NULL#,0.00,0.00,0.00,\"MN\","
    "16.00,0.00,1.0000,0.0000,3.0000,0,0,\"Entregar\",#NULL#\r\n";
const QByteArray encabezado11 =
    "\"M\",8,\"\",\"X9\",\"06/ene/2026\",#NULL#,#NULL#,#NULL#,#NULL#,#NULL#,#NULL#,#NULL#,"
    "#NULL#,#NULL#,0.00,0.00,0.00,0.00,0.00,0.00,0.00,#NULL#,#NULL#,#NULL#,#NULL#,#NULL#,"
    "#NULL#,#NULL#,1.0000,#NULL#,0.00,#NULL#,0.00,#FALSE#,#FALSE#,\"\",\"\",\"\",\"\",1\r\n";

} // namespace

TEST(EscribeArchivo, WritesTheExactBytesOfOrdersWithAndWithoutCustomerAndLines) {
    BaseEmpresa b(QStringLiteral("exbytes"));
    conDosPedidos(b);
    QTemporaryDir carpeta;
    // The order of the list is kept; an order without lines is followed by the next header.
    auto r = EscribeArchivo(b.conexion(), {11, 10}, QStringLiteral(" pedidos "), carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.archivo, carpeta.filePath(QStringLiteral("pedidos.txt")));
    EXPECT_EQ(contenido(r.archivo), encabezado11 + encabezado10 + renglon10);
    EXPECT_EQ(r.pedidos, 2);
    EXPECT_EQ(r.renglones, 1);
    EXPECT_TRUE(r.avisos.isEmpty());

    // A marked order deleted meanwhile is skipped with its stray lines; one marked twice
    // is written twice; the name keeps its own ".TXT".
    b.conexion().ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id,Partida) VALUES (99,1)"));
    r = EscribeArchivo(b.conexion(), {10, 99, 11, 10}, QStringLiteral("Otro.TXT"), carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_TRUE(r.archivo.endsWith(QStringLiteral("/Otro.TXT")));
    EXPECT_EQ(contenido(r.archivo),
              encabezado10 + renglon10 + encabezado11 + encabezado10 + renglon10);
    EXPECT_EQ(r.omitidos, 1);
    EXPECT_EQ(r.pedidos, 3);

    // No order at all still gives a (valid, empty) file.
    r = EscribeArchivo(b.conexion(), {}, QStringLiteral("vacio"), carpeta.path());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(contenido(r.archivo), QByteArray());
}

// Read batch by batch or by passes over the whole tables, the file is the same byte for byte:
// the list's order, the lines by Partida whatever order they were stored in, an order marked
// twice written twice, one deleted meanwhile skipped; more orders than a pass holds take two.
// The journal hears every order written, a batch at a time.
TEST(EscribeArchivo, BothPlansOfReadingWriteTheSameFile) {
    BaseEmpresa b(QStringLiteral("explanes"));
    auto& c = b.conexion();
    c.ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Factura, Serie, Cliente, Fecha, Nota) "
                             "SELECT seq, seq, 'A', CONCAT('C', MOD(seq, 50)), '2026-01-01' + "
                             "INTERVAL MOD(seq, 300) DAY, CONCAT('nota ', seq) FROM "
                             "seq_1_to_26000"));
    c.ejecuta(QStringLiteral("INSERT INTO clientes (Clave, Nombre) SELECT CONCAT('C', seq), "
                             "CONCAT('Cliente ', seq) FROM seq_0_to_39"));
    // Two lines an order, scattered through the table, the second stored first.
    c.ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, Cantidad) "
                             "SELECT 1 + MOD(seq * 7919, 26000), 2 - seq DIV 26000, "
                             "CONCAT('P', seq), seq FROM seq_0_to_51999"));
    QVector<qint64> ids;
    for (auto rs = c.consulta(QStringLiteral("SELECT Id FROM pedidos ORDER BY Fecha, Id"));
         !rs->eof(); rs->MoveNext())
        ids << rs->entero(0);
    ids.insert(100, 999999); // deleted meanwhile
    ids << ids[5];           // marked twice
    EXPECT_EQ(exportacion::EligePlanLectura(c, ids.size()), exportacion::PlanLectura::PorPasadas);
    EXPECT_EQ(exportacion::EligePlanLectura(c, 900), exportacion::PlanLectura::PorTandas);
    QTemporaryDir carpeta;
    QByteArray archivos[2];
    int k = 0;
    for (const auto plan :
         {exportacion::PlanLectura::PorTandas, exportacion::PlanLectura::PorPasadas}) {
        qint64 anotados = 0;
        int tandas = 0;
        const auto r = EscribeArchivo(
            c, ids, QStringLiteral("plan%1").arg(k), carpeta.path(), {}, {},
            [&](QVector<bitacora::PedidoAnotado> escritos) {
                anotados += escritos.size();
                tandas += !escritos.isEmpty();
            },
            plan);
        ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
        EXPECT_EQ(r.pedidos, 26001);
        EXPECT_EQ(r.renglones, 52002);
        EXPECT_EQ(r.omitidos, 1);
        EXPECT_EQ(anotados, 26001);
        EXPECT_GE(tandas, 27);
        archivos[k++] = contenido(r.archivo);
    }
    EXPECT_TRUE(archivos[0] == archivos[1]);
    const QByteArray primero = archivos[0].left(archivos[0].indexOf("\r\n\"M\"", 1));
    EXPECT_TRUE(primero.startsWith("\"M\",300,\"A\",\"C0\",\"01/ene/2026\""))
        << primero.constData();
    EXPECT_LT(primero.indexOf("\r\n\"D\",1,"), primero.indexOf("\r\n\"D\",2,"));
}

TEST(EscribeArchivo, QuotesInAnyTextFieldBecomeApostrophesSoTheFileStaysInStep) {
    BaseEmpresa b(QStringLiteral("excomillas"));
    auto& c = b.conexion();
    c.ejecuta(QStringLiteral("INSERT INTO pedidos (Id,Fecha) VALUES (1,'2026-03-01')"));
    // Every text column of the order, its customer and its line holds a double quote.
    for (const char* tabla : {"pedidos", "clientes", "pedidosdetalle"}) {
        if (QByteArray(tabla) != "pedidos")
            c.ejecuta(
                QStringLiteral("INSERT INTO %1 (%2) VALUES (?)")
                    .arg(QLatin1String(tabla),
                         QLatin1String(QByteArray(tabla) == "clientes" ? "Clave" : "Id")),
                {QByteArray(tabla) == "clientes" ? QVariant(QStringLiteral("x\"1")) : QVariant(1)});
        auto rs = c.consulta(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(QLatin1String(tabla)));
        for (const auto& col : rs->listaColumnas())
            if (col.clase == host::ClaseCampo::Texto && col.nombre != QLatin1String("Clave"))
                c.ejecuta(QStringLiteral("UPDATE %1 SET %2=CONCAT('a\"b,', LEFT(?, 1))")
                              .arg(QLatin1String(tabla), col.nombre),
                          {col.nombre});
    }
    c.ejecuta(QStringLiteral("UPDATE pedidos SET Cliente='x\"1'"));
    QTemporaryDir carpeta;
    const auto r = EscribeArchivo(c, {1}, QStringLiteral("comillas"), carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();

    QFile f(r.archivo);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    transferencia::LectorTransferencia lector(f);
    transferencia::Registro reg;
    ASSERT_TRUE(lector.siguiente(reg));
    ASSERT_TRUE(reg.encabezado);
    EXPECT_EQ(reg.campos[3].valor, QStringLiteral("x'1"));    // Cliente
    EXPECT_EQ(reg.campos[21].valor, QStringLiteral("a'b,N")); // NotaF1
    EXPECT_EQ(reg.campos[35].valor, QStringLiteral("a'b,A")); // Atencion
    ASSERT_TRUE(lector.siguiente(reg));
    EXPECT_FALSE(reg.encabezado);
    EXPECT_EQ(reg.campos[20].valor, QStringLiteral("a'b,C")); // ClaveAlterna
    EXPECT_FALSE(lector.siguiente(reg));
}

TEST(EscribeArchivo, CharactersTheCodePageLacksAreNamedByOrderAndField) {
    BaseEmpresa b(QStringLiteral("exansi"));
    b.conexion().ejecuta(
        QString::fromUtf8("INSERT INTO pedidos (Id,Factura,Serie,Fecha,Nombre,Nota) VALUES "
                          "(5,12,'B','2026-03-01','Łódź ñandú','¿Qué? €')"));
    b.conexion().ejecuta(QString::fromUtf8(
        "INSERT INTO pedidosdetalle (Id,Partida,Descripcion) VALUES (5,2,'Ωmega')"));
    QTemporaryDir carpeta;
    const auto r = EscribeArchivo(b.conexion(), {5}, QStringLiteral("ansi"), carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    ASSERT_EQ(r.avisos.size(), 2) << r.avisos.join('\n').toStdString();
    EXPECT_TRUE(r.avisos[0].startsWith(QStringLiteral("Pedido B-12 (Id 5), campo Nombre: 2 ")));
    EXPECT_TRUE(r.avisos[1].startsWith(QString::fromUtf8("Pedido B-12 (Id 5), renglón 2, campo "
                                                         "Descripcion: 1 ")));
    const QByteArray bytes = contenido(r.archivo);
    EXPECT_TRUE(bytes.contains("\"?\xF3"
                               "d? \xF1"
                               "and\xFA\""))
        << bytes.constData();
    EXPECT_TRUE(bytes.contains("\"\xBFQu\xE9? \x80\""));
}

TEST(EscribeArchivo, FailuresAreReportedAndNeverLeaveAHalfFileOrAFalseSuccess) {
    BaseEmpresa b(QStringLiteral("exfallo"));
    conDosPedidos(b);
    QTemporaryDir carpeta;
    const QString ruta = carpeta.filePath(QStringLiteral("pedidos.txt"));
    {
        QFile viejo(ruta);
        ASSERT_TRUE(viejo.open(QIODevice::WriteOnly));
        viejo.write("archivo anterior");
    }
    // A cancel stops before the file exists.
    transferencia::Avance avance;
    avance.cancelar = [] { return true; };
    auto r =
        EscribeArchivo(b.conexion(), {10}, QStringLiteral("cancelado"), carpeta.path(), avance);
    EXPECT_TRUE(r.cancelado);
    EXPECT_FALSE(QFile::exists(carpeta.filePath(QStringLiteral("cancelado.txt"))));

    // The database fails in the middle: the earlier file is left as it was.
    b.conexion().ejecuta(QStringLiteral("DROP TABLE clientes"));
    r = EscribeArchivo(b.conexion(), {10, 11}, QStringLiteral("pedidos"), carpeta.path());
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("No se escribió el archivo")));
    EXPECT_EQ(contenido(ruta), QByteArray("archivo anterior"));

    // A folder that cannot hold the file.
    r = EscribeArchivo(b.conexion(), {10}, QStringLiteral("pedidos"),
                       carpeta.filePath(QStringLiteral("no/existe")));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.startsWith(QStringLiteral("No se pudo crear el archivo")));

    // An empty name, or one that leaves the program folder.
    r = EscribeArchivo(b.conexion(), {10}, QStringLiteral("  "), carpeta.path());
    EXPECT_FALSE(r.ok);
    r = EscribeArchivo(b.conexion(), {10}, QStringLiteral("../fuera"), carpeta.path());
    EXPECT_FALSE(r.ok || QFile::exists(carpeta.filePath(QStringLiteral("../fuera.txt"))));
}

TEST(CompruebaNombre, OnlyPlainFileNamesThatAreNotTheProgramsOwnAreTaken) {
    const QString carpeta = QStringLiteral("/programa");
    const QStringList propios{QStringLiteral("/programa/acumulapedidos.ini"),
                              QStringLiteral("/programa/acumulapedidos.txt"),
                              QStringLiteral("/programa/acumulapedidos")};
    for (const char* malo :
         {"../x", "a/b", "a\\b", "..", ".", "pedidos.", "acumulapedidos", "ACUMULAPEDIDOS.TXT",
          "acumulapedidos.txt.", "a:b", "a?b", "a\tb", "nul", "CON.txt", "lpt1"})
        EXPECT_FALSE(
            exportacion::CompruebaNombre(QString::fromUtf8(malo), carpeta, propios).isEmpty())
            << malo;
    // "ACUMULAPEDIDOS.INI" is written as ACUMULAPEDIDOS.INI.txt, which is no file of the
    // program's.
    for (const char* bueno :
         {"con espacio", "ACUMULAPEDIDOS.INI", " Pedidos.TXT ", "consola", "a..b", "año"})
        EXPECT_EQ(exportacion::CompruebaNombre(QString::fromUtf8(bueno), carpeta, propios),
                  QString())
            << bueno;
    // Started with another INI, the program keeps that one as its own.
    EXPECT_FALSE(exportacion::CompruebaNombre(QStringLiteral("config"), carpeta,
                                              {QStringLiteral("/programa/Config.txt")})
                     .isEmpty());
}

TEST(CopiaArchivo, AFullDiskIsToldInSpanishAndLeavesNoCutFile) {
    pruebas::DiscoPequeno disco(64);
    if (!disco.montado())
        GTEST_SKIP() << disco.motivo();
    BaseEmpresa b(QStringLiteral("exlleno"));
    conDosPedidos(b);
    QTemporaryDir programa;
    disco.llena();
    // Copying to the full disk, then writing on it.
    for (const auto& r :
         {exportacion::ExportaPedidos(b.conexion(), {10, 11}, QStringLiteral("pedidos"),
                                      programa.path(), disco.ruta()),
          EscribeArchivo(b.conexion(), {10, 11}, QStringLiteral("pedidos"), disco.ruta())}) {
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("No hay espacio suficiente en el disco")))
            << r.mensaje.toStdString();
    }
    EXPECT_EQ(QDir(disco.ruta()).entryList(QDir::Files), QStringList{QStringLiteral("relleno")});

    // A stick locked against writing is found before anything is written.
    ASSERT_TRUE(disco.soloLectura());
    const auto r = exportacion::ExportaPedidos(b.conexion(), {10, 11}, QStringLiteral("bloqueado"),
                                               programa.path(), disco.ruta());
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(
        r.mensaje.contains(QStringLiteral("no se puede escribir en la carpeta de destino")) &&
        r.mensaje.contains(QStringLiteral("La unidad solo admite lectura")))
        << r.mensaje.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(programa.path()).filePath(QStringLiteral("bloqueado.txt"))));
}

TEST(CopiaArchivo, CopiesOverAnEarlierCopyAndReportsAMissingDestination) {
    BaseEmpresa b(QStringLiteral("excopia"));
    conDosPedidos(b);
    QTemporaryDir programa, unidad;
    QFile anterior(unidad.filePath(QStringLiteral("pedidos.txt")));
    ASSERT_TRUE(anterior.open(QIODevice::WriteOnly));
    anterior.write("copia anterior, más larga que el archivo nuevo..........................");
    anterior.close();

    transferencia::Avance avance;
    QVector<qint64> avances;
    avance.progreso = [&](qint64 n, qint64 total) { avances << n << total; };
    auto r = exportacion::ExportaPedidos(b.conexion(), {10, 11}, QStringLiteral("pedidos"),
                                         programa.path(), unidad.path(), avance);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.copia, unidad.filePath(QStringLiteral("pedidos.txt")));
    EXPECT_EQ(contenido(r.copia), contenido(r.archivo));
    EXPECT_EQ(avances, (QVector<qint64>{1, 2, 2, 2}));

    // Copying into the program folder itself leaves the file whole.
    r = exportacion::ExportaPedidos(b.conexion(), {10}, QStringLiteral("mismo"), programa.path(),
                                    programa.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(contenido(r.copia), encabezado10 + renglon10);

    // A destination that is missing, is a file, or takes no files is found before anything is
    // written, also in the program folder.
    QFile archivo(unidad.filePath(QStringLiteral("archivo")));
    ASSERT_TRUE(archivo.open(QIODevice::WriteOnly));
    archivo.close();
    for (const auto& [destino, texto] : {std::pair{unidad.filePath(QStringLiteral("no-montada")),
                                                   "no existe o no está disponible"},
                                         {archivo.fileName(), "no es una carpeta"}}) {
        r = exportacion::ExportaPedidos(b.conexion(), {10}, QStringLiteral("tercero"),
                                        programa.path(), destino);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.copia.isEmpty());
        EXPECT_TRUE(r.mensaje.startsWith(QStringLiteral("No se exportó nada: ")) &&
                    r.mensaje.contains(QString::fromUtf8(texto)))
            << r.mensaje.toStdString();
        EXPECT_FALSE(QFile::exists(QDir(programa.path()).filePath(QStringLiteral("tercero.txt"))));
    }
}

// A link with the export's name, in the destination or in the program folder, is replaced by
// the new file; what it points to (a private file, the program's own configuration, a folder)
// stays as it was. So does a file that the name shares by a hard link.
TEST(ExportaPedidos, ALinkOfTheFilesNameIsReplacedNeverWrittenThrough) {
    BaseEmpresa b(QStringLiteral("exenlace"));
    conDosPedidos(b);
    QTemporaryDir programa, unidad, otra;
    const auto escribe = [](const QString& ruta, const QByteArray& bytes) {
        QFile f(ruta);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    const QString ini = QDir(programa.path()).filePath(QStringLiteral("acumulapedidos.ini"));
    const QString privado = otra.filePath(QStringLiteral("privado"));
    const QString carpetaAjena = otra.filePath(QStringLiteral("carpeta"));
    ASSERT_TRUE(escribe(ini, "[Configuración]\r\n"));
    ASSERT_TRUE(escribe(privado, "privado"));
    ASSERT_TRUE(QDir().mkpath(carpetaAjena));
    ASSERT_TRUE(escribe(QDir(carpetaAjena).filePath(QStringLiteral("dentro")), "dentro"));
    const QString copia = unidad.filePath(QStringLiteral("pedidos.txt"));
    const QString propio = QDir(programa.path()).filePath(QStringLiteral("pedidos.txt"));
    const QByteArray escrito = encabezado10 + renglon10 + encabezado11;
    const auto exporta = [&](bool reemplazar = true) {
        return exportacion::ExportaPedidos(b.conexion(), {10, 11}, QStringLiteral("pedidos"),
                                           programa.path(), unidad.path(), {}, {ini}, reemplazar);
    };
    const auto esArchivoNuevo = [&](const QString& ruta) {
        EXPECT_FALSE(QFileInfo(ruta).isSymLink()) << ruta.toStdString();
        EXPECT_EQ(contenido(ruta), escrito) << ruta.toStdString();
    };
    for (const QString& apunta : {privado, ini, carpetaAjena, otra.filePath("no-existe")}) {
        QFile::remove(copia);
        ASSERT_TRUE(QFile::link(apunta, copia));
        const auto r = exporta();
        EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
        // Even a link that points nowhere had the name.
        EXPECT_TRUE(r.reemplazo) << apunta.toStdString();
        esArchivoNuevo(copia);
        EXPECT_EQ(contenido(privado), "privado");
        EXPECT_EQ(contenido(ini), "[Configuración]\r\n");
        EXPECT_EQ(QDir(carpetaAjena).entryList(QDir::Files), QStringList{QStringLiteral("dentro")});
        EXPECT_FALSE(QFile::exists(otra.filePath("no-existe")));
    }

    // Without leave to replace, a link that points nowhere stays: nothing is written.
    QFile::remove(copia);
    ASSERT_TRUE(QFile::link(otra.filePath("no-existe"), copia));
    QFile::remove(propio);
    EXPECT_FALSE(exporta(false).ok);
    EXPECT_TRUE(QFileInfo(copia).isSymLink());
    EXPECT_FALSE(QFile::exists(propio));

    // The program folder's file, as a link and as a hard link.
    for (const bool duro : {false, true}) {
        QFile::remove(propio);
        ASSERT_TRUE(duro ? ::link(QFile::encodeName(privado), QFile::encodeName(propio)) == 0
                         : QFile::link(privado, propio));
        const auto r = exporta();
        EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
        esArchivoNuevo(propio);
        esArchivoNuevo(copia);
        EXPECT_EQ(contenido(privado), "privado");
    }

    // A folder of that name is refused before anything is written; a link to the folder as the
    // destination itself is the folder the user chose.
    QFile::remove(copia);
    ASSERT_TRUE(QDir().mkdir(copia));
    QFile::remove(propio);
    auto r = exporta();
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.startsWith(QStringLiteral("No se exportó nada: el archivo %1 no se "
                                                    "puede reemplazar. En el lugar del archivo "
                                                    "hay una carpeta")
                                         .arg(copia)))
        << r.mensaje.toStdString();
    EXPECT_FALSE(QFile::exists(propio));
    const QString enlaceCarpeta = otra.filePath(QStringLiteral("unidad"));
    ASSERT_TRUE(QFile::link(carpetaAjena, enlaceCarpeta));
    r = exportacion::ExportaPedidos(b.conexion(), {10}, QStringLiteral("pedidos"), programa.path(),
                                    enlaceCarpeta);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(contenido(QDir(carpetaAjena).filePath(QStringLiteral("pedidos.txt"))),
              encabezado10 + renglon10);
    // No file of our own was left beside the names.
    EXPECT_EQ(QDir(programa.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{QStringLiteral("acumulapedidos.ini"), QStringLiteral("pedidos.txt")}));
}

// Two exports of one name at once: the file another export puts in place while this one is
// written stays as it is, whether this one writes into the destination itself or copies there.
TEST(ExportaPedidos, AFileThatTakesTheNameMeanwhileIsNeverReplacedWithoutLeave) {
    BaseEmpresa b(QStringLiteral("exganada"));
    conDosPedidos(b);
    QTemporaryDir programa, unidad;
    const QByteArray ajeno = "del otro\r\n";
    for (const QString& destino : {programa.path(), unidad.path()}) {
        const QString ruta = QDir(destino).filePath(QStringLiteral("pedidos.txt"));
        QFile::remove(ruta);
        transferencia::Avance avance;
        avance.progreso = [&](qint64, qint64) {
            if (QFile::exists(ruta))
                return;
            QFile f(ruta);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(ajeno) == ajeno.size());
        };
        const auto r =
            exportacion::ExportaPedidos(b.conexion(), {10, 11}, QStringLiteral("pedidos"),
                                        programa.path(), destino, avance, {}, false);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("ya hay un archivo %1, que quedó como "
                                                      "estaba")
                                           .arg(QDir::toNativeSeparators(ruta))))
            << r.mensaje.toStdString();
        EXPECT_EQ(r.nombreOcupado, destino == programa.path());
        EXPECT_EQ(contenido(ruta), ajeno);
        // Nothing of ours is left beside it.
        EXPECT_EQ(QDir(destino).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
    // Two writers of one name: without leave the second fails, with it the last one wins.
    host::ArchivoNuevo primero(QDir(unidad.path()).filePath(QStringLiteral("uno.txt")));
    host::ArchivoNuevo segundo(primero.ruta());
    ASSERT_TRUE(primero.abre() && segundo.abre());
    primero.dispositivo().write("1");
    segundo.dispositivo().write("2");
    ASSERT_TRUE(primero.confirma(host::ArchivoNuevo::SiHayNombre::Respeta));
    EXPECT_FALSE(segundo.confirma(host::ArchivoNuevo::SiHayNombre::Respeta));
    EXPECT_TRUE(segundo.nombreOcupado());
    EXPECT_EQ(contenido(primero.ruta()), "1");
    host::ArchivoNuevo tercero(primero.ruta());
    ASSERT_TRUE(tercero.abre());
    tercero.dispositivo().write("3");
    EXPECT_TRUE(tercero.confirma());
    EXPECT_FALSE(tercero.nombreOcupado());
    EXPECT_EQ(contenido(primero.ruta()), "3");
}

TEST(BuscaPedidosExportar, ListsTheRangeOldestFirstWithEitherEndOpen) {
    BaseEmpresa b(QStringLiteral("exbusca"));
    b.conexion().ejecuta(QStringLiteral(
        "INSERT INTO pedidos (Id,Factura,Serie,Fecha,Subtotal,IVA) VALUES "
        "(1,1,'A','2026-03-10',10,1.6),(2,2,'A','2026-01-05',20,3.2),(3,3,'B','2026-02-01',30,4.8),"
        "(4,4,'B','2026-01-05',40,6.4),(5,5,'',NULL,0,0)"));
    const auto ids = [&](std::optional<QDate> desde, std::optional<QDate> hasta) {
        QVector<qint64> salida;
        for (const auto& f : exportacion::BuscaPedidosExportar(b.conexion(), desde, hasta))
            salida << f.id;
        return salida;
    };
    EXPECT_EQ(ids({}, {}), (QVector<qint64>{5, 2, 4, 3, 1}));
    EXPECT_EQ(ids(QDate(2026, 1, 5), QDate(2026, 2, 1)), (QVector<qint64>{2, 4, 3}));
    EXPECT_EQ(ids(QDate(2026, 2, 1), {}), (QVector<qint64>{3, 1}));
    EXPECT_EQ(ids({}, QDate(2026, 1, 31)), (QVector<qint64>{2, 4}));
    const auto filas = exportacion::BuscaPedidosExportar(b.conexion(), QDate(2026, 3, 1), {});
    ASSERT_EQ(filas.size(), 1u);
    EXPECT_EQ(filas[0].serie, QStringLiteral("A"));
    EXPECT_EQ(filas[0].factura, 1);
    EXPECT_EQ(filas[0].fecha, QDate(2026, 3, 10));
    EXPECT_DOUBLE_EQ(filas[0].subtotal, 10.0);
    EXPECT_DOUBLE_EQ(filas[0].iva, 1.6);
}

TEST(ComandoExportar, WritesTheRangeCopiesItAndPrintsWhatItWrote) {
    BaseEmpresa b(QStringLiteral("excomando"));
    conDosPedidos(b);
    QTemporaryDir programa, destino;
    Programa p;
    *p.bases = pruebas::basesDD();
    p.baseExportar = b.nombre();
    p.carpetaPrograma = programa.path();
    QString out, err;
    QTextStream salida(&out), errores(&err);

    EXPECT_EQ(comandos::exportar(p,
                                 {QStringLiteral("--desde"), QStringLiteral("01/01/2026"),
                                  QStringLiteral("--hasta"), QStringLiteral("2026-01-31"),
                                  QStringLiteral("--archivo"), QStringLiteral("enero"),
                                  QStringLiteral("--destino"), destino.path()},
                                 salida, errores),
              0)
        << err.toStdString();
    EXPECT_EQ(contenido(destino.filePath(QStringLiteral("enero.txt"))),
              encabezado10 + renglon10 + encabezado11);
    EXPECT_TRUE(out.contains(programa.filePath(QStringLiteral("enero.txt"))));
    EXPECT_TRUE(out.contains(QStringLiteral("Pedidos escritos: 2, renglones: 1")));
    EXPECT_FALSE(out.contains(QStringLiteral("reemplaz")));

    // A second run replaces the copy, and says so.
    out.clear();
    EXPECT_EQ(comandos::exportar(p,
                                 {QStringLiteral("--archivo"), QStringLiteral("enero"),
                                  QStringLiteral("--destino"), destino.path(),
                                  QStringLiteral("--id"), QStringLiteral("10")},
                                 salida, errores),
              0);
    EXPECT_EQ(contenido(destino.filePath(QStringLiteral("enero.txt"))), encabezado10 + renglon10);
    EXPECT_TRUE(out.contains(QStringLiteral("Se reemplazó el archivo que ya había en %1.")
                                 .arg(destino.filePath(QStringLiteral("enero.txt")))))
        << out.toStdString();

    // Only the Ids given; an unknown one is mentioned.
    EXPECT_EQ(
        comandos::exportar(p,
                           {QStringLiteral("--archivo"), QStringLiteral("uno"),
                            QStringLiteral("--destino"), destino.path(), QStringLiteral("--id"),
                            QStringLiteral("11"), QStringLiteral("--id"), QStringLiteral("77")},
                           salida, errores),
        0);
    EXPECT_EQ(contenido(destino.filePath(QStringLiteral("uno.txt"))), encabezado11);
    EXPECT_TRUE(err.contains(QStringLiteral("Id 77")));

    // Errors go to stderr with status 1; the program's own files are no name for an export.
    p.archivoDescripcion = programa.filePath(QStringLiteral("acumulapedidos.txt"));
    for (const QStringList& malos :
         {QStringList{QStringLiteral("--destino"), destino.path()},
          QStringList{QStringLiteral("--archivo"), QStringLiteral("x"), QStringLiteral("--destino"),
                      destino.path(), QStringLiteral("--desde"), QStringLiteral("31/02/2026")},
          QStringList{QStringLiteral("--archivo"), QStringLiteral("x"), QStringLiteral("--destino"),
                      destino.path(), QStringLiteral("--desde"), QStringLiteral("01/01/2030")},
          QStringList{QStringLiteral("--archivo"), QStringLiteral("x"), QStringLiteral("--destino"),
                      destino.filePath(QStringLiteral("falta"))},
          QStringList{QStringLiteral("--otra"), QStringLiteral("x")},
          QStringList{QStringLiteral("--archivo"), QStringLiteral("acumulapedidos"),
                      QStringLiteral("--destino"), destino.path()}}) {
        err.clear();
        EXPECT_EQ(comandos::exportar(p, malos, salida, errores), 1)
            << malos.join(' ').toStdString();
        EXPECT_FALSE(err.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(p.archivoDescripcion));
    // The missing destination wrote nothing into the program folder either.
    EXPECT_EQ(QDir(programa.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("enero.txt"), QStringLiteral("uno.txt")}));
}
