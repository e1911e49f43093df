-- Stand-in schema of one company database of the host system: the tables and columns the
-- program reads and writes, in the host's column order, plus a few columns the program never
-- names (Capturado, Sucursal, Almacen, Entrega, Email) that copies must still carry.
CREATE TABLE pedidos (
    Id INT NOT NULL AUTO_INCREMENT,
    Factura INT NOT NULL DEFAULT 0,
    Serie VARCHAR(10) NOT NULL DEFAULT '',
    Cliente VARCHAR(20) NOT NULL DEFAULT '',
    Fecha DATE NULL,
    Vence DATE NULL,
    Nombre VARCHAR(100) NULL,
    Telefono VARCHAR(30) NULL,
    Domicilio VARCHAR(100) NULL,
    CP VARCHAR(10) NULL,
    Colonia VARCHAR(60) NULL,
    Ciudad VARCHAR(60) NULL,
    Estado VARCHAR(60) NULL,
    RFC VARCHAR(15) NULL,
    Descuento DECIMAL(6,2) NULL DEFAULT 0,
    Subtotal DECIMAL(14,2) NULL DEFAULT 0,
    IVA DECIMAL(14,2) NULL DEFAULT 0,
    ImpuestoAd DECIMAL(14,2) NULL DEFAULT 0,
    Desc1 DECIMAL(6,2) NULL DEFAULT 0,
    Desc2 DECIMAL(6,2) NULL DEFAULT 0,
    Desc3 DECIMAL(6,2) NULL DEFAULT 0,
    NotaF1 VARCHAR(100) NULL,
    NotaF2 VARCHAR(100) NULL,
    NotaF3 VARCHAR(100) NULL,
    NotaF4 VARCHAR(100) NULL,
    NotaF5 VARCHAR(100) NULL,
    Nota TEXT NULL,
    Moneda VARCHAR(5) NULL,
    Paridad DECIMAL(12,4) NULL DEFAULT 1,
    Vendedor VARCHAR(10) NULL,
    Comision DECIMAL(6,2) NULL DEFAULT 0,
    Usuario VARCHAR(20) NULL,
    Pagos DECIMAL(14,2) NULL DEFAULT 0,
    Afectada TINYINT(1) NOT NULL DEFAULT 0,
    Cancelada TINYINT(1) NOT NULL DEFAULT 0,
    Capturado DATETIME NULL,
    Sucursal VARCHAR(10) NULL,
    PRIMARY KEY (Id),
    KEY idx_fecha (Fecha),
    KEY idx_folio (Serie, Factura),
    KEY idx_cliente (Cliente)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE pedidosdetalle (
    Id INT NOT NULL,
    Partida INT NOT NULL DEFAULT 0,
    Producto VARCHAR(30) NOT NULL DEFAULT '',
    Descripcion VARCHAR(200) NULL,
    Cantidad DECIMAL(14,4) NOT NULL DEFAULT 0,
    PrecioBruto DECIMAL(14,4) NULL DEFAULT 0,
    PrecioNeto DECIMAL(14,4) NULL DEFAULT 0,
    Nota VARCHAR(255) NULL,
    Desc1 DECIMAL(6,2) NULL DEFAULT 0,
    Desc2 DECIMAL(6,2) NULL DEFAULT 0,
    Desc3 DECIMAL(6,2) NULL DEFAULT 0,
    Moneda VARCHAR(5) NULL,
    IVA DECIMAL(6,2) NULL DEFAULT 0,
    ImpuestoAd DECIMAL(6,2) NULL DEFAULT 0,
    Paridad DECIMAL(12,4) NULL DEFAULT 1,
    Facturado DECIMAL(14,4) NULL DEFAULT 0,
    Pedido DECIMAL(14,4) NOT NULL DEFAULT 0,
    Cotizacion INT NULL DEFAULT 0,
    PartidaCotizacion INT NULL DEFAULT 0,
    NotaRenglon VARCHAR(255) NULL,
    ClaveAlterna VARCHAR(30) NULL,
    Almacen VARCHAR(10) NULL,
    Entrega DATE NULL,
    KEY idx_pedido (Id, Partida)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE clientes (
    Clave VARCHAR(20) NOT NULL,
    Nombre VARCHAR(100) NULL,
    Atencion VARCHAR(60) NULL,
    Domicilio VARCHAR(100) NULL,
    Colonia VARCHAR(60) NULL,
    CP VARCHAR(10) NULL,
    Ciudad VARCHAR(60) NULL,
    Estado VARCHAR(60) NULL,
    RFC VARCHAR(15) NULL,
    Telefono1 VARCHAR(30) NULL,
    Telefono2 VARCHAR(30) NULL,
    Telefono3 VARCHAR(30) NULL,
    Telefono4 VARCHAR(30) NULL,
    FechaRegistro DATE NULL,
    UltVta DATE NULL,
    Precio TINYINT NULL DEFAULT 1,
    Email VARCHAR(100) NULL,
    PRIMARY KEY (Clave)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE productos (
    Clave VARCHAR(30) NOT NULL,
    Descripcion VARCHAR(200) NULL,
    Existencia DECIMAL(14,4) NOT NULL DEFAULT 0,
    PorVender DECIMAL(14,4) NOT NULL DEFAULT 0,
    Precio1 DECIMAL(14,4) NULL DEFAULT 0,
    PRIMARY KEY (Clave)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE sistema (
    Dato VARCHAR(50) NOT NULL,
    Contenido VARCHAR(255) NULL,
    PRIMARY KEY (Dato)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE configura (
    Dato VARCHAR(50) NOT NULL,
    Contenido VARCHAR(255) NULL,
    PRIMARY KEY (Dato)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
